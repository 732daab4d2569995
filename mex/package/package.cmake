# Octave package: target `octave_package` writes bem2d-<version>.tar.gz into
# the build directory. pkg install unpacks it, builds the modules from the
# sources in src/ with mkoctfile (src/Makefile) and moves the help texts, with
# their self-tests, beside them (post_install.m); the demo and its helpers
# stay in the package's folder. Needs nothing beyond CMake and Octave.
# Included from mex/CMakeLists.txt.
set(BEM2D_PACKAGE_TARBALL ${CMAKE_BINARY_DIR}/bem2d-${PROJECT_VERSION}.tar.gz)
set(BEM2D_PACKAGE_TARBALL ${BEM2D_PACKAGE_TARBALL} PARENT_SCOPE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/DESCRIPTION.in
               ${CMAKE_BINARY_DIR}/package-files/DESCRIPTION @ONLY)

# What the tarball holds: the sources of the library's folders and of this
# host, its help texts, the functions of the adaptive loop, the demos, and
# the package's own files.
set(_package_inputs "")
foreach(_dir core library evaluation assembly compression mex mex/adaptive mex/adaptive/private examples
        examples/private)
  file(GLOB _files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${_dir}/*.cpp
       ${PROJECT_SOURCE_DIR}/${_dir}/*.h ${PROJECT_SOURCE_DIR}/${_dir}/*.inc
       ${PROJECT_SOURCE_DIR}/${_dir}/*.m)
  list(APPEND _package_inputs ${_files})
endforeach()
foreach(_file COPYING INDEX post_install.m Makefile make_package.cmake)
  list(APPEND _package_inputs ${CMAKE_CURRENT_LIST_DIR}/${_file})
endforeach()
foreach(_name ${BEM2D_MODULES} bem2d)
  list(APPEND _package_inputs ${BEM2D_MEX_DIR}/${_name}.m)
endforeach()

string(REPLACE ";" "," _modules "${BEM2D_MODULES}")
add_custom_command(
  OUTPUT ${BEM2D_PACKAGE_TARBALL}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DSTAGE_DIR=${CMAKE_BINARY_DIR}/package-stage
          -DDESCRIPTION_FILE=${CMAKE_BINARY_DIR}/package-files/DESCRIPTION
          -DHELP_DIR=${BEM2D_MEX_DIR} -DMODULES=${_modules}
          -DPACKAGE_NAME=bem2d-${PROJECT_VERSION} -DTARBALL=${BEM2D_PACKAGE_TARBALL}
          -P ${CMAKE_CURRENT_LIST_DIR}/make_package.cmake
  DEPENDS ${_package_inputs} ${CMAKE_BINARY_DIR}/package-files/DESCRIPTION
  COMMENT "Octave package bem2d-${PROJECT_VERSION}.tar.gz"
  VERBATIM)
add_custom_target(octave_package ALL DEPENDS ${BEM2D_PACKAGE_TARBALL})
