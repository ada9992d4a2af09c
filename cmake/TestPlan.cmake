# The test plan as one build tree (the configure preset "plan"). Its build
# configures and builds the four configurations one after the other, each by
# its own preset in its own tree; its tests are theirs. Each test carries
# the label of its stage (cmake/StrumletTests.cmake), by which the plan's
# test presets select it (from the configurations they name), and the
# workflow preset "plan" runs them stage after stage.
enable_testing()

# The configure presets, in the order they are built; each builds in
# build/<name> (their binaryDir in CMakePresets.json).
set(builds native linux win32 win64)

set(previous)
foreach(build IN LISTS builds)
  add_custom_target(${build} ALL
    COMMAND ${CMAKE_COMMAND} --preset ${build} --log-level=WARNING
    COMMAND ${CMAKE_COMMAND} --build --preset ${build}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    COMMENT "Configuring and building ${build}"
    USES_TERMINAL)
  if(previous)
    add_dependencies(${build} ${previous})
  endif()
  set(previous ${build})
endforeach()

# The tests ctest reads here are those of the configurations that the test
# preset names in STRUMLET_PLAN_BUILDS: ctest lists every GoogleTest
# program it reads (under Wine, seconds each), and a stage need not list the
# programs of the others. The wine and layout stages read both Windows
# builds, whose tests' names differ (tests/CMakeLists.txt).
file(WRITE ${CMAKE_BINARY_DIR}/plan_tests.cmake "set(builds \"\$ENV{STRUMLET_PLAN_BUILDS}\")
if(NOT builds)
  message(FATAL_ERROR \"The plan's tests run by stage: ctest --preset <stage> (ctest --list-presets)\")
endif()
foreach(build IN LISTS builds)
  subdirs(\"${CMAKE_SOURCE_DIR}/build/\${build}\")
endforeach()
")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/plan_tests.cmake)
