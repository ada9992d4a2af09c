# The test plan's fixtures (see StrumletTests.cmake): each is set up and
# cleaned up by a script of scripts/ctest/ that ctest runs as a test of its
# own, registered here once per build tree and lane.
#
# Lanes. The tests of a build tree that need a desktop run one at a time on
# it (its resource lock). A build may give some of its display tests a
# second lane: a display of their own (with its own window manager and
# keyboard layouts), its own state folder and its own lock, so that the two
# lanes run side by side when ctest runs two jobs. Nothing of one X server
# reaches another: focus, keymap, clipboard and the program's records on
# the root window are all the server's own. Only the display and layout
# fixtures have lanes; Wine and sway have one.

include_guard(GLOBAL)

# _strumlet_lane(LANE): in the caller, `lane_name` (what the lane's fixture
# and lock names end with: nothing for the first lane, .lane<N> otherwise)
# and `lane_state` (its state folder).
macro(_strumlet_lane lane)
  if("${lane}" STREQUAL "" OR "${lane}" STREQUAL "1")
    set(lane_name "")
    set(lane_state ${STRUMLET_FIXTURE_STATE})
  elseif("${lane}" MATCHES "^[2-9]$")
    set(lane_name .lane${lane})
    set(lane_state ${STRUMLET_FIXTURE_STATE}/lane${lane})
  else()
    message(FATAL_ERROR "strumlet_test: LANE ${lane}: a lane is a number from 1 to 9")
  endif()
endmacro()

# Registers the set-up and clean-up tests of a fixture once per build tree
# and lane.
function(_strumlet_fixture fixture lane)
  _strumlet_lane("${lane}")
  get_property(done GLOBAL PROPERTY _strumlet_fixture_${fixture}${lane_name})
  if(done)
    return()
  endif()
  set_property(GLOBAL PROPERTY _strumlet_fixture_${fixture}${lane_name} TRUE)
  set(name ${STRUMLET_TEST_BUILD}.${fixture}${lane_name})
  set(run bash ${STRUMLET_FIXTURE_SCRIPTS})
  set(needs)
  set(before)
  if(fixture STREQUAL "display")
    # Each further lane's display numbers start 10 further up.
    if("${lane}" STREQUAL "")
      set(offset ${STRUMLET_DISPLAY_OFFSET})
    else()
      math(EXPR offset "${STRUMLET_DISPLAY_OFFSET} + 10 * (${lane} - 1)")
    endif()
    set(start ${run}/display.sh start ${lane_state} ${offset})
    set(stop ${run}/display.sh stop ${lane_state})
  elseif(fixture STREQUAL "wine")
    set(wine ${STRUMLET_FIXTURE_STATE} ${STRUMLET_WINEPREFIX} ${STRUMLET_WINE_LOADER})
    # The program that holds the desktop open (tests/CMakeLists.txt).
    set(start ${run}/wine.sh start ${wine} $<TARGET_FILE:wine_desktop_keeper>)
    set(stop ${run}/wine.sh stop ${wine})
    set(needs display)
    # The prefix is made by the build, once (it takes a minute or more).
    set(ready ${STRUMLET_WINEPREFIX}/.strumlet-ready)
    add_custom_command(OUTPUT ${ready}
      COMMAND bash ${STRUMLET_FIXTURE_SCRIPTS}/wine.sh prepare ${STRUMLET_WINEPREFIX} ${STRUMLET_WINE_LOADER}
      COMMENT "Creating the tests' Wine prefix ${STRUMLET_WINEPREFIX}" USES_TERMINAL)
    add_custom_target(wineprefix ALL DEPENDS ${ready})
  elseif(fixture MATCHES "^layout-(.+)$")
    set(layout ${CMAKE_MATCH_1})
    set(start ${run}/layout.sh ${lane_state} ${layout})
    # Back to the layout the other tests expect.
    set(stop ${run}/layout.sh ${lane_state} us)
    set(needs display)
    foreach(other IN LISTS STRUMLET_TEST_LAYOUT_ORDER)
      if(other STREQUAL layout)
        break()
      endif()
      list(APPEND before ${STRUMLET_TEST_BUILD}.layout-${other}${lane_name}.stop)
    endforeach()
  elseif(EXISTS ${STRUMLET_FIXTURE_SCRIPTS}/${fixture}.sh)
    # Any other fixture: scripts/ctest/<fixture>.sh start|stop STATE_DIR.
    set(start ${run}/${fixture}.sh start ${STRUMLET_FIXTURE_STATE})
    set(stop ${run}/${fixture}.sh stop ${STRUMLET_FIXTURE_STATE})
  else()
    message(FATAL_ERROR "no fixture ${fixture}: no script scripts/ctest/${fixture}.sh")
  endif()
  add_test(NAME ${name}.start COMMAND ${start})
  add_test(NAME ${name}.stop COMMAND ${stop})
  set_tests_properties(${name}.start PROPERTIES FIXTURES_SETUP ${name} LABELS fixture TIMEOUT 600)
  set_tests_properties(${name}.stop PROPERTIES FIXTURES_CLEANUP ${name} LABELS fixture TIMEOUT 300)
  if(needs)
    list(TRANSFORM needs PREPEND ${STRUMLET_TEST_BUILD}.)
    list(TRANSFORM needs APPEND "${lane_name}")
    set_tests_properties(${name}.start ${name}.stop PROPERTIES FIXTURES_REQUIRED "${needs}")
  endif()
  if(before)
    set_tests_properties(${name}.start PROPERTIES DEPENDS "${before}")
  endif()
endfunction()
