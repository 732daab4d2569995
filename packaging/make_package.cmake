# cmake -P script: lays out the Octave package in STAGE_DIR/PACKAGE_NAME and
# packs it into TARBALL. Layout (as pkg install expects it):
#   DESCRIPTION COPYING INDEX post_install.m
#   inst/NAME.m             help text and self-tests of every module
#   inst/bem2d_demo.m, inst/private/*.m   the demo and its helpers
#   src/Makefile            builds NAME.mex with mkoctfile
#   src/{core,library,gateway,evaluation,assembly}/   the C++ sources
set(_root ${STAGE_DIR}/${PACKAGE_NAME})
file(REMOVE_RECURSE ${STAGE_DIR})
file(MAKE_DIRECTORY ${_root}/inst ${_root}/src)

file(COPY ${DESCRIPTION_FILE} DESTINATION ${_root})
file(COPY ${SOURCE_DIR}/packaging/COPYING ${SOURCE_DIR}/packaging/INDEX
          ${SOURCE_DIR}/packaging/post_install.m DESTINATION ${_root})
file(COPY ${SOURCE_DIR}/packaging/src/Makefile DESTINATION ${_root}/src)
foreach(_dir core library gateway evaluation assembly)
  file(GLOB _files ${SOURCE_DIR}/${_dir}/*.cpp ${SOURCE_DIR}/${_dir}/*.h ${SOURCE_DIR}/${_dir}/*.inc)
  file(MAKE_DIRECTORY ${_root}/src/${_dir})
  if(_files)
    file(COPY ${_files} DESTINATION ${_root}/src/${_dir})
  endif()
endforeach()

# Help texts only for the modules whose gateway is in the sources.
file(GLOB _gateways ${SOURCE_DIR}/evaluation/*_mex.cpp ${SOURCE_DIR}/assembly/*_mex.cpp)
foreach(_gateway ${_gateways})
  get_filename_component(_name ${_gateway} NAME_WE)
  string(REGEX REPLACE "_mex$" "" _name ${_name})
  if(EXISTS ${SOURCE_DIR}/gateway/help/${_name}.m)
    file(COPY ${SOURCE_DIR}/gateway/help/${_name}.m DESTINATION ${_root}/inst)
  endif()
endforeach()

# The demo, run by `demo bem2d_demo`; its helpers are private to it.
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
