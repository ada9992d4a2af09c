# strumlet_wayland_protocols(TARGET DIRECTORY PROTOCOL...)
# A static library of the client code wayland-scanner generates from the
# description files DIRECTORY/PROTOCOL.xml; its headers
# (PROTOCOL-client-protocol.h) are on the library's include path.
function(strumlet_wayland_protocols target directory)
  find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/${target})
  file(MAKE_DIRECTORY ${generated})
  set(sources)
  foreach(protocol IN LISTS ARGN)
    set(xml ${directory}/${protocol}.xml)
    add_custom_command(
      OUTPUT ${generated}/${protocol}-client-protocol.h ${generated}/${protocol}-protocol.c
      COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${generated}/${protocol}-client-protocol.h
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${generated}/${protocol}-protocol.c
      DEPENDS ${xml} VERBATIM)
    list(APPEND sources ${generated}/${protocol}-protocol.c)
  endforeach()
  add_library(${target} STATIC ${sources})
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${target} PUBLIC ${generated})
  target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND)
endfunction()
