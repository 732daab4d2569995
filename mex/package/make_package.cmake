# cmake -P script: lays out the Octave package in STAGE_DIR/PACKAGE_NAME and
# packs it into TARBALL. Layout (as pkg install expects it):
#   DESCRIPTION COPYING INDEX post_install.m
#   inst/NAME.m             help text and self-tests of every module (from HELP_DIR)
#   inst/bem2d.m            `help bem2d`: the overview
#   inst/*.m                the adaptive loop (mex/adaptive/), with its self-tests
#   inst/bem2d_demo.m, inst/bem2d_adaptive_demo.m, inst/private/*.m
#                           the demos and their helpers, and the adaptive
#                           loop's private helpers
#   src/Makefile            builds NAME.mex with mkoctfile
#   src/{core,library,evaluation,assembly,compression,mex}/   the C++ sources, with the
#                           lane units of every width
set(_root ${STAGE_DIR}/${PACKAGE_NAME})
file(REMOVE_RECURSE ${STAGE_DIR})
file(MAKE_DIRECTORY ${_root}/inst ${_root}/src)
set(_package ${SOURCE_DIR}/mex/package)

file(COPY ${DESCRIPTION_FILE} DESTINATION ${_root})
file(COPY ${_package}/COPYING ${_package}/INDEX ${_package}/post_install.m DESTINATION ${_root})
file(COPY ${_package}/Makefile DESTINATION ${_root}/src)
foreach(_dir core library evaluation assembly compression mex)
  file(GLOB _files ${SOURCE_DIR}/${_dir}/*.cpp ${SOURCE_DIR}/${_dir}/*.h ${SOURCE_DIR}/${_dir}/*.inc)
  file(MAKE_DIRECTORY ${_root}/src/${_dir})
  file(COPY ${_files} DESTINATION ${_root}/src/${_dir})
endforeach()
# The lane units, as the CMake build writes them.
foreach(_unit "evaluation;field;kFieldLanes" "assembly;matrix;kMatrixLanes")
  list(GET _unit 0 _dir)
  list(GET _unit 1 _family)
  list(GET _unit 2 _table)
  foreach(_w 1 4 8)
    file(WRITE ${_root}/src/${_dir}/${_family}_lanes_${_w}.cpp
         "// ${_family} lanes, ${_w} wide.\n#define BEM2D_LANE_WIDTH ${_w}\n#define BEM2D_LANE_TABLE ${_table}${_w}\n#include \"${_family}_lanes.inc\"\n")
  endforeach()
endforeach()

# The help texts of the modules, as the build assembled them, and the class
# of the compressed matrices.
string(REPLACE "," ";" _modules "${MODULES}")
foreach(_name ${_modules} hmatrix bem2d)
  file(COPY ${HELP_DIR}/${_name}.m DESTINATION ${_root}/inst)
endforeach()

# The adaptive loop (Octave code, beside the help texts) and its private
# helpers.
file(GLOB _adaptive ${SOURCE_DIR}/mex/adaptive/*.m)
file(GLOB _adaptive_private ${SOURCE_DIR}/mex/adaptive/private/*.m)
file(COPY ${_adaptive} DESTINATION ${_root}/inst)
file(MAKE_DIRECTORY ${_root}/inst/private)
file(COPY ${_adaptive_private} DESTINATION ${_root}/inst/private)

# The demos, run by `demo bem2d_demo`; their helpers are private to them.
file(GLOB _demo ${SOURCE_DIR}/examples/*.m)
file(GLOB _demo_helpers ${SOURCE_DIR}/examples/private/*.m)
file(COPY ${_demo} DESTINATION ${_root}/inst)
file(MAKE_DIRECTORY ${_root}/inst/private)
file(COPY ${_demo_helpers} DESTINATION ${_root}/inst/private)

file(REMOVE ${TARBALL})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${TARBALL} ${PACKAGE_NAME}
                WORKING_DIRECTORY ${STAGE_DIR} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "packing ${TARBALL} failed: ${_rc}")
endif()
