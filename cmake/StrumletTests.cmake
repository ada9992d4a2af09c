# The test plan: every test joins it through strumlet_test(), which gives it
# the label of the stage that runs it, the fixtures it needs, and, for a
# test program that runs under several keyboard layouts, one registration
# per layout. Nothing selects tests by name.
#
# Stages: every test carries exactly one of these labels, and the test
# presets of CMakePresets.json select a stage by it:
#   unit      the native build (the portable code with sanitizers): needs
#             nothing;
#   headless  the Linux edition's build, without a display (its forms on
#             Qt's offscreen platform);
#   display   the Linux edition's build, on the virtual display, and its
#             tests that need no display but run in this stage all the same
#             (registered with STAGE display: the unit tests, the rounds of
#             spare keycodes, the package, the include graph);
#   wayland   the Linux edition's build, on a headless sway (no X display);
#   wine      a Windows build: its executable inspected, its programs under
#             Wine on the virtual display (US keyboard layout);
#   layout    the same under a further keyboard layout (test names end in
#             .de, .fr).
# Further labels: slow (long; `ctest -LE slow` leaves them out), and what a
# registration adds (real_targets, browsers), inspect (an executable checked
# without running it), start-retry (see scripts/ctest/launch.sh), fixture
# (the fixtures' set-up and clean-up).
#
# Fixtures, one set per build tree, each set up and cleaned up by a script
# of scripts/ctest/ that ctest runs as a test (named <build>.<fixture>.start
# and .stop; their state goes to <build>/fixtures/):
#   display      Xvfb with openbox on a free display number, from
#                STRUMLET_DISPLAY_FIRST (100 unless set in the environment)
#                plus an offset of the build's own (linux 0, win64 20, win32
#                40), so that the builds' displays do not race for numbers.
#                The tests on the display run through scripts/ctest/launch.sh,
#                which takes DISPLAY from the state file the set-up wrote.
#   wine         the build tree's Wine prefix (<build>/wineprefix: a fixed
#                path, since nothing else uses it), created by the build, with
#                one persistent wineserver and its desktop held open for the
#                run (wine_desktop_keeper). Needs the display.
#   layout-<xx>  the X keyboard layout xx on the display. Each layout's
#                set-up waits for the clean-up of those before it (us, de,
#                fr), so that layouts never overlap, and every test on the
#                display needs one: us unless registered for another.
#   sway         a headless sway as an unprivileged user (scripts/ctest/
#                sway.sh); its tests get WAYLAND_DISPLAY, SWAYSOCK and a
#                runtime folder of their own, and no DISPLAY.
# The tests of one build tree that need any of these form its lane: they
# take the resource lock <build>.desktop and never run at the same time.
# Tests on the display may take a second lane instead (LANE 2): a display,
# layouts and lock of their own (cmake/TestFixtures.cmake), beside the first.
# The stages run one after the other (the workflow preset "plan"), so the
# tests under Wine never run beside the Linux edition's on X11 or sway:
# under Wine, the foreground and a program's first message come late when
# the X11 tests run beside them.
#
# A new test program joins a stage with one call in tests/CMakeLists.txt:
#   strumlet_test(PROGRAM my_tests)                   # unit, headless or wine,
#                                                     # by the build
#   strumlet_test(PROGRAM my_x11_tests NEEDS display) # display
#   strumlet_test(PROGRAM my_wl_tests NEEDS sway STAGE wayland)
#   strumlet_test(PROGRAM my_wine_tests LAYOUTS us de fr)
#   strumlet_test(NAME my_check COMMAND python3 check.py ...)
# PROGRAM registers each GoogleTest case of the program as a test (listed
# when ctest starts). NAME registers one test running COMMAND (a target name
# as its first word stands for the built program, run under Wine in a
# Windows build). Other options: SLOW, STAGE <label> (a stage of its own
# instead of the one the build gives), LABELS <label>... (labels besides
# the stage's), TIMEOUT <s> (default: 300 under Wine, 600 for the other
# tests in a lane), WORKING_DIRECTORY <dir>, TEST_PREFIX <text> (before each
# case's name, for a program whose cases share names with another's),
# TEST_FILTER <gtest filter> (some of a program's cases; a program may be
# registered more than once with different filters), LANE <n> (a test on
# the display: its lane, 1 unless given), PROPERTIES <name> <value>... (more
# test properties, one value each).
# A new stage label needs a test preset in CMakePresets.json (naming its
# configuration and label).
#
# A new fixture is a script scripts/ctest/<name>.sh with `start STATE_DIR`
# and `stop STATE_DIR`: its set-up writes the variables its tests need
# (WAYLAND_DISPLAY=...) to STATE_DIR/<name>.test.env, keeps the PIDs of what
# it started in a state file of its own and its clean-up stops those.
# `NEEDS <name>` then sets it up, gives its tests those variables through
# the launcher, and puts them in the build's lane.

include_guard(GLOBAL)
include(GoogleTest)

get_filename_component(STRUMLET_TEST_BUILD "${CMAKE_BINARY_DIR}" NAME)
set(STRUMLET_FIXTURE_STATE "${CMAKE_BINARY_DIR}/fixtures")
set(STRUMLET_FIXTURE_SCRIPTS "${PROJECT_SOURCE_DIR}/scripts/ctest")
# The layouts in the order they run.
set(STRUMLET_TEST_LAYOUT_ORDER us de fr)
# How often a program under Wine is started when it wrote nothing at all.
set(STRUMLET_WINE_START_ATTEMPTS 3)
# The display fixture's numbers start this far above STRUMLET_DISPLAY_FIRST.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(STRUMLET_DISPLAY_OFFSET 20)
elseif(WIN32)
  set(STRUMLET_DISPLAY_OFFSET 40)
else()
  set(STRUMLET_DISPLAY_OFFSET 0)
endif()

# A Windows build's programs run here under Wine, with the loader for the
# build's word size. A kernel without 32-bit support runs no 32-bit loader:
# there the win32 build registers only the check of its executable.
if(WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_loader wine64)
  else()
    set(_loader wine)
  endif()
  find_program(STRUMLET_WINE_LOADER NAMES ${_loader} PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
  find_program(STRUMLET_WINE_LOADER NAMES ${_loader})
  set(_runs OFF)
  if(STRUMLET_WINE_LOADER)
    execute_process(COMMAND ${STRUMLET_WINE_LOADER} --version RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_QUIET)
    if(_rc EQUAL 0)
      set(_runs ON)
    endif()
  endif()
  option(STRUMLET_WINE_TESTS "Run this build's test programs under Wine (${_loader})" ${_runs})
  if(NOT STRUMLET_WINE_TESTS)
    message(STATUS "Wine's ${_loader} does not run here: the test programs are built, "
                   "only the executable's inspection is a test")
  endif()
  set(STRUMLET_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
endif()

include(TestFixtures)

# _strumlet_prop(NAME VALUE...): adds to the test property NAME of the
# registration strumlet_test() is composing (in its variables).
macro(_strumlet_prop name)
  if(NOT "${name}" IN_LIST names)
    list(APPEND names ${name})
    set(p_${name})
  endif()
  list(APPEND p_${name} ${ARGN})
endmacro()

function(strumlet_test)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "SLOW" "PROGRAM;NAME;STAGE;TEST_PREFIX;TEST_FILTER;TIMEOUT;WORKING_DIRECTORY;LANE"
    "COMMAND;NEEDS;LAYOUTS;LABELS;PROPERTIES")
  if(ARG_UNPARSED_ARGUMENTS OR (NOT ARG_PROGRAM AND NOT (ARG_NAME AND ARG_COMMAND)))
    message(FATAL_ERROR "strumlet_test(PROGRAM target | NAME name COMMAND ...): ${ARGV}")
  endif()

  # Where it runs: a built program of a Windows build runs under Wine; a
  # host command (a script, python) runs on the host.
  set(program ${ARG_PROGRAM})
  set(command ${ARG_COMMAND})
  if(ARG_NAME)
    list(GET command 0 first)
    if(TARGET ${first})
      get_target_property(imported ${first} IMPORTED)
      if(imported)
        # A host program (Python3::Interpreter): by its path, since CMake
        # would run a target through a cross build's emulator.
        list(POP_FRONT command)
        list(PREPEND command $<TARGET_FILE:${first}>)
      else()
        list(POP_FRONT command program)
      endif()
    endif()
  endif()
  set(wine OFF)
  if(program AND WIN32 AND CMAKE_CROSSCOMPILING)
    if(NOT STRUMLET_WINE_TESTS)
      return()
    endif()
    set(wine ON)
  endif()
  set(display OFF)
  if(wine OR "display" IN_LIST ARG_NEEDS)
    set(display ON)
  endif()
  if(ARG_LAYOUTS AND NOT display)
    message(FATAL_ERROR "strumlet_test: LAYOUTS are X keyboard layouts, for tests on the display")
  endif()

  # The properties, one variable each (their values may be lists).
  set(names)
  while(ARG_PROPERTIES)
    list(POP_FRONT ARG_PROPERTIES name value)
    _strumlet_prop(${name} "${value}")
  endwhile()

  if(ARG_STAGE)
    set(stage ${ARG_STAGE})
    if(wine)
      _strumlet_prop(LABELS start-retry)
    endif()
  elseif(wine)
    set(stage wine)
    _strumlet_prop(LABELS start-retry)
  elseif(WIN32)
    # A Windows build's check that runs on the host: with the build's other
    # tests.
    set(stage wine)
    _strumlet_prop(LABELS inspect)
  elseif(display)
    set(stage display)
  elseif(STRUMLET_LINUX)
    set(stage headless)
  else()
    set(stage unit)
  endif()
  if(ARG_SLOW)
    _strumlet_prop(LABELS slow)
  endif()
  if(ARG_LABELS)
    _strumlet_prop(LABELS ${ARG_LABELS})
  endif()
  if(NOT ARG_TIMEOUT AND wine)
    set(ARG_TIMEOUT 300)
  elseif(NOT ARG_TIMEOUT AND (display OR ARG_NEEDS))
    set(ARG_TIMEOUT 600)
  endif()
  if(ARG_TIMEOUT)
    _strumlet_prop(TIMEOUT ${ARG_TIMEOUT})
  endif()
  if(ARG_WORKING_DIRECTORY AND ARG_NAME)
    _strumlet_prop(WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
  endif()

  # The launcher runs the program in what the fixtures set up, on its
  # lane's display.
  # Only the display and its layouts exist once per lane: a test that needs
  # anything else (Wine, sway, ...) stays in the first.
  _strumlet_lane("${ARG_LANE}")
  set(others ${ARG_NEEDS})
  list(REMOVE_ITEM others display wine)
  if(lane_name AND (wine OR NOT display OR others))
    message(FATAL_ERROR "strumlet_test: LANE is for tests that need the display and nothing more: ${ARGV}")
  endif()
  set(launcher)
  if(display)
    set(launcher bash ${STRUMLET_FIXTURE_SCRIPTS}/launch.sh ${lane_state} --display)
    _strumlet_prop(FIXTURES_REQUIRED ${STRUMLET_TEST_BUILD}.display${lane_name})
    _strumlet_fixture(display "${ARG_LANE}")
  else()
    # Really without a display, whatever the shell that runs ctest has.
    _strumlet_prop(ENVIRONMENT_MODIFICATION DISPLAY=unset: WAYLAND_DISPLAY=unset:)
  endif()
  if(wine)
    list(APPEND launcher --wine ${STRUMLET_WINEPREFIX} ${STRUMLET_WINE_LOADER}
      --start-attempts ${STRUMLET_WINE_START_ATTEMPTS})
    _strumlet_prop(FIXTURES_REQUIRED ${STRUMLET_TEST_BUILD}.wine)
    _strumlet_fixture(wine "")
  endif()
  # Further fixtures: the launcher gives the tests what their set-up wrote
  # for them (<fixture>.test.env in the state folder).
  foreach(fixture IN LISTS others)
    if(NOT launcher)
      set(launcher bash ${STRUMLET_FIXTURE_SCRIPTS}/launch.sh ${STRUMLET_FIXTURE_STATE})
    endif()
    list(APPEND launcher --fixture ${fixture})
    _strumlet_prop(FIXTURES_REQUIRED ${STRUMLET_TEST_BUILD}.${fixture})
    _strumlet_fixture(${fixture} "")
  endforeach()
  # The lane: one test at a time on its desktops.
  if(display OR ARG_NEEDS)
    _strumlet_prop(RESOURCE_LOCK ${STRUMLET_TEST_BUILD}.desktop${lane_name})
  endif()
  if(launcher)
    list(APPEND launcher --)
  endif()

  # One registration per layout; the first is the stage's own run.
  set(layouts ${ARG_LAYOUTS})
  if(display AND NOT layouts)
    set(layouts us)
  endif()
  if(NOT layouts)
    set(layouts none)
  endif()
  list(GET layouts 0 first_layout)
  set(common_names ${names})
  foreach(name IN LISTS names)
    set(common_${name} ${p_${name}})
  endforeach()
  foreach(layout IN LISTS layouts)
    set(names ${common_names})
    foreach(name IN LISTS names)
      set(p_${name} ${common_${name}})
    endforeach()
    set(suffix)
    set(this_stage ${stage})
    if(NOT layout STREQUAL "none")
      _strumlet_fixture(layout-${layout} "${ARG_LANE}")
      _strumlet_prop(FIXTURES_REQUIRED ${STRUMLET_TEST_BUILD}.layout-${layout}${lane_name})
      if(ARG_LAYOUTS)
        _strumlet_prop(ENVIRONMENT STRUMLET_LAYOUT=${layout})
      endif()
      if(NOT layout STREQUAL first_layout)
        set(suffix .${layout})
        set(this_stage layout)
      endif()
    endif()
    _strumlet_prop(LABELS ${this_stage})

    if(ARG_PROGRAM)
      # gtest_discover_tests flattens list-valued properties: they come from
      # a file of their own, read by ctest right after the program's list
      # (one per registration of the program).
      get_property(count TARGET ${program} PROPERTY _strumlet_registrations)
      if(NOT count)
        set(count 0)
      endif()
      math(EXPR count "${count} + 1")
      set_property(TARGET ${program} PROPERTY _strumlet_registrations ${count})
      string(MAKE_C_IDENTIFIER "${program}_tests_${count}" list)
      if(launcher)
        # The launcher is the program's: all its registrations share a lane.
        get_property(other TARGET ${program} PROPERTY _strumlet_launcher)
        if(other AND NOT other STREQUAL "${launcher}")
          message(FATAL_ERROR "strumlet_test: ${program} is registered in two lanes")
        endif()
        set_property(TARGET ${program} PROPERTY _strumlet_launcher "${launcher}")
        set_property(TARGET ${program} PROPERTY CROSSCOMPILING_EMULATOR "${launcher}")
      endif()
      set(dir ${ARG_WORKING_DIRECTORY})
      if(NOT dir)
        set(dir ${CMAKE_CURRENT_BINARY_DIR})
      endif()
      set(filter)
      if(ARG_TEST_FILTER)
        set(filter TEST_FILTER "${ARG_TEST_FILTER}")
      endif()
      gtest_discover_tests(${program} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 ${filter}
        TEST_PREFIX "${ARG_TEST_PREFIX}" TEST_SUFFIX "${suffix}" TEST_LIST ${list} WORKING_DIRECTORY ${dir})
      set(content "if(${list})\n  set_tests_properties(\${${list}} PROPERTIES")
      foreach(name IN LISTS names)
        string(APPEND content "\n    ${name} [==[${p_${name}}]==]")
      endforeach()
      string(APPEND content ")\nendif()\n")
      set(file ${CMAKE_CURRENT_BINARY_DIR}/${list}_properties.cmake)
      file(GENERATE OUTPUT ${file} CONTENT "${content}")
      set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
    else()
      set(test ${ARG_NAME}${suffix})
      if(program)
        add_test(NAME ${test} COMMAND ${launcher} $<TARGET_FILE:${program}> ${command})
      else()
        add_test(NAME ${test} COMMAND ${launcher} ${command})
      endif()
      foreach(name IN LISTS names)
        set_tests_properties(${test} PROPERTIES ${name} "${p_${name}}")
      endforeach()
    endif()
  endforeach()
endfunction()
