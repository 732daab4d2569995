# Octave package: target `octave_package` writes bem2d-<version>.tar.gz into
# the build directory. pkg install unpacks it, builds the modules from the
# sources in src/ with mkoctfile (src/Makefile) and moves the help texts, with
# their self-tests, beside them (post_install.m); the demo and its helpers
# stay in the package's folder. Needs nothing beyond CMake and Octave.
# Included from the top-level CMakeLists.txt.
set(BEM2D_PACKAGE_TARBALL ${CMAKE_BINARY_DIR}/bem2d-${PROJECT_VERSION}.tar.gz)
configure_file(${CMAKE_CURRENT_LIST_DIR}/DESCRIPTION.in
               ${CMAKE_BINARY_DIR}/package-files/DESCRIPTION @ONLY)

file(GLOB _package_inputs CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/core/*.cpp ${CMAKE_SOURCE_DIR}/core/*.h ${CMAKE_SOURCE_DIR}/core/*.inc
     ${CMAKE_SOURCE_DIR}/library/*.cpp ${CMAKE_SOURCE_DIR}/library/*.h
     ${CMAKE_SOURCE_DIR}/gateway/*.cpp ${CMAKE_SOURCE_DIR}/gateway/*.h ${CMAKE_SOURCE_DIR}/gateway/*.inc
     ${CMAKE_SOURCE_DIR}/gateway/help/*.m
     ${CMAKE_SOURCE_DIR}/examples/*.m ${CMAKE_SOURCE_DIR}/examples/private/*.m
     ${CMAKE_SOURCE_DIR}/evaluation/*.cpp ${CMAKE_SOURCE_DIR}/evaluation/*.h ${CMAKE_SOURCE_DIR}/evaluation/*.inc
     ${CMAKE_SOURCE_DIR}/assembly/*.cpp ${CMAKE_SOURCE_DIR}/assembly/*.h ${CMAKE_SOURCE_DIR}/assembly/*.inc
     ${CMAKE_CURRENT_LIST_DIR}/COPYING ${CMAKE_CURRENT_LIST_DIR}/INDEX
     ${CMAKE_CURRENT_LIST_DIR}/post_install.m ${CMAKE_CURRENT_LIST_DIR}/src/Makefile)

add_custom_command(
  OUTPUT ${BEM2D_PACKAGE_TARBALL}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -DSTAGE_DIR=${CMAKE_BINARY_DIR}/package-stage
          -DDESCRIPTION_FILE=${CMAKE_BINARY_DIR}/package-files/DESCRIPTION
          -DPACKAGE_NAME=bem2d-${PROJECT_VERSION} -DTARBALL=${BEM2D_PACKAGE_TARBALL}
          -P ${CMAKE_CURRENT_LIST_DIR}/make_package.cmake
  DEPENDS ${_package_inputs} ${CMAKE_BINARY_DIR}/package-files/DESCRIPTION
          ${CMAKE_CURRENT_LIST_DIR}/make_package.cmake
  COMMENT "Octave package bem2d-${PROJECT_VERSION}.tar.gz"
  VERBATIM)
add_custom_target(octave_package ALL DEPENDS ${BEM2D_PACKAGE_TARBALL})
