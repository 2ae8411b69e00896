find_package(GTest REQUIRED)
include(GoogleTest)

# The offscreen platform with one 1280 x 1024 screen, like the screen the main window was
# laid out on (so the form sizer leaves the window at its design size).
set(NORVANE_OFFSCREEN_DESIGN_SCREEN
  "offscreen:configfile=${PROJECT_SOURCE_DIR}/tests/sizing/offscreen_1280x1024.json")

# What both kinds of test executable below share: build it, link it, and register its cases
# with CTest one by one under the label, with the environment given (if any).
#
# The cases listed under UNPRIVILEGED check refusals for lack of permission, which root never
# meets: they are left out of the plain registration and registered one by one under their
# own names through tests/support/run-unprivileged, which runs them as nobody when CTest runs
# as root (as in CI), so that they run there instead of skipping.
#
# The cases matching WINDOW_MANAGER_ONLY (gtest filter patterns) type through a real X
# server: they are left out here and run only where a norvane_add_window_manager_test names
# them.
function(norvane_register_gtest name)
  cmake_parse_arguments(ARG "" "LABEL;ENVIRONMENT" "SOURCES;LIBS;UNPRIVILEGED;WINDOW_MANAGER_ONLY"
    ${ARGN})
  if(NOT ARG_LABEL)
    message(FATAL_ERROR "test ${name} needs a LABEL")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock)
  set(properties LABELS ${ARG_LABEL} TIMEOUT 120)
  if(ARG_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  set(filter)
  set(elsewhere ${ARG_UNPRIVILEGED} ${ARG_WINDOW_MANAGER_ONLY})
  if(elsewhere)
    list(JOIN elsewhere ":" cases)
    set(filter TEST_FILTER "-${cases}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${filter} PROPERTIES ${properties})
  foreach(case IN LISTS ARG_UNPRIVILEGED)
    add_test(NAME ${case}
      COMMAND ${PROJECT_SOURCE_DIR}/tests/support/run-unprivileged $<TARGET_FILE:${name}>
        --gtest_filter=${case})
    set_tests_properties(${case} PROPERTIES ${properties}
      SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  endforeach()
endfunction()

# norvane_add_test(<name> LABEL <label> SOURCES <files...> [LIBS <targets...>]
#                  [UNPRIVILEGED <Suite.Case...>])
#
# One GoogleTest executable whose cases are registered with CTest one by one and
# carry the label of the layer they test, so `ctest -L device` runs that layer alone.
function(norvane_add_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS;UNPRIVILEGED" ${ARGN})
  norvane_register_gtest(${name} LABEL ${ARG_LABEL} SOURCES ${ARG_SOURCES}
    LIBS ${ARG_LIBS} GTest::gtest_main UNPRIVILEGED ${ARG_UNPRIVILEGED})
endfunction()

# norvane_add_widget_test(<name> LABEL <label> SOURCES <files...> [LIBS <targets...>]
#                         [WINDOW_MANAGER_ONLY <patterns...>])
#
# As norvane_add_test, for tests that need a QApplication: main() comes from the widget
# test support and every case runs headless on the design screen, except those matching
# WINDOW_MANAGER_ONLY.
function(norvane_add_widget_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS;WINDOW_MANAGER_ONLY" ${ARGN})
  norvane_register_gtest(${name} LABEL ${ARG_LABEL} SOURCES ${ARG_SOURCES}
    LIBS ${ARG_LIBS} norvane_widget_test_support
    ENVIRONMENT "QT_QPA_PLATFORM=${NORVANE_OFFSCREEN_DESIGN_SCREEN}"
    WINDOW_MANAGER_ONLY ${ARG_WINDOW_MANAGER_ONLY})
endfunction()

# norvane_add_window_manager_test(<name> SCREEN <width>x<height> COMMAND <target> [args...])
#
# Runs a widget test program once more on a virtual screen of the given size under a real
# window manager (tools/with-window-manager: Xvfb and openbox), where windows get frames
# and are placed as on a user's desktop. Label "wm".
function(norvane_add_window_manager_test name)
  cmake_parse_arguments(ARG "" "SCREEN" "COMMAND" ${ARGN})
  list(POP_FRONT ARG_COMMAND target)
  add_test(NAME ${name}
    COMMAND ${PROJECT_SOURCE_DIR}/tools/with-window-manager --screen ${ARG_SCREEN}
            $<TARGET_FILE:${target}> ${ARG_COMMAND})
  set_tests_properties(${name} PROPERTIES LABELS wm TIMEOUT 60)
endfunction()
