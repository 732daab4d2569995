# bem2d_help(NAME OUTPUT): the help text of module NAME from its template
# mex/NAME.m.in, where a line @PART@ stands for the shared paragraph
# mex/help/<part>.txt (in lower case) and @MODULE@, @INDICES@, @TARGET@,
# @COUNT@ and @COLUMNS@ in a paragraph for the module's own words. Each
# module keeps its own examples and self-tests in its template.
function(bem2d_help name output)
  set(_dir ${PROJECT_SOURCE_DIR}/mex)
  file(READ ${_dir}/${name}.m.in _text)
  set(MODULE ${name})
  if(name STREQUAL "domfield")
    set(INDICES volumes)
    set(TARGET vertices)
    set(COUNT nV)
    set(COLUMNS "2 columns (volumes: 3 columns)")
  else()
    set(INDICES elements)
    set(TARGET coordinates)
    set(COUNT nC)
    set(COLUMNS "2 columns")
  endif()
  foreach(_part threads series errors eta_errors safety safety_end)
    string(TOUPPER ${_part} _marker)
    file(READ ${_dir}/help/${_part}.txt _paragraph)
    string(CONFIGURE "${_paragraph}" _paragraph @ONLY)
    string(REPLACE "@${_marker}@\n" "${_paragraph}" _text "${_text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_dir}/help/${_part}.txt)
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_dir}/${name}.m.in)
  # Written through a copy, so that an unchanged text keeps its time stamp.
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.m "${_text}")
  configure_file(${CMAKE_CURRENT_BINARY_DIR}/${name}.m ${output} COPYONLY)
endfunction()
