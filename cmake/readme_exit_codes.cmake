# README.md's table of exit codes (the rows "| code | when |" under its
# "### Exit codes" heading), written as a header for the unit test that holds
# it to platform/exit_code.h: generated/readme_exit_codes.h. The build reads
# README.md again whenever it changes.
set(_readme ${PROJECT_SOURCE_DIR}/README.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_readme})
# Headings and numbered table rows only: the section ends at the next heading.
file(STRINGS ${_readme} _lines REGEX "^(#+ |\\| [0-9]+ \\|)")
set(_rows "")
set(_inside FALSE)
foreach(_line IN LISTS _lines)
  if(_line MATCHES "^#")
    if(_line STREQUAL "### Exit codes")
      set(_inside TRUE)
    else()
      set(_inside FALSE)
    endif()
  elseif(_inside AND _line MATCHES "^\\| ([0-9]+) \\| (.*) \\|$")
    set(_code ${CMAKE_MATCH_1})
    string(REPLACE "\\" "\\\\" _when "${CMAKE_MATCH_2}")
    string(REPLACE "\"" "\\\"" _when "${_when}")
    string(APPEND _rows "    {${_code}, \"${_when}\"},\n")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/readme_exit_codes.h CONTENT
"// Generated from README.md by cmake/readme_exit_codes.cmake: its table of
// exit codes, row by row.
#pragma once

#include <vector>

struct ReadmeExitCode {
  int code;
  const char* when;
};

inline const std::vector<ReadmeExitCode> kReadmeExitCodes = {
${_rows}};
" @ONLY)
