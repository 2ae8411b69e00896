find_package(GTest REQUIRED)
include(GoogleTest)

# norvane_add_test(<name> LABEL <label> SOURCES <files...> [LIBS <targets...>])
#
# One GoogleTest executable whose cases are registered with CTest one by one and
# carry the label of the layer they test, so `ctest -L device` runs that layer alone.
function(norvane_add_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    message(FATAL_ERROR "norvane_add_test(${name}) needs a LABEL")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 120)
endfunction()

# norvane_add_widget_test(<name> LABEL <label> SOURCES <files...> [LIBS <targets...>])
#
# As norvane_add_test, for tests that need a QApplication: main() comes from the widget
# test support and every case runs on the headless "offscreen" platform, whose one screen is
# 1280 x 1024 like the screen the main window was laid out on (so the form sizer leaves the
# window at its design size).
function(norvane_add_widget_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    message(FATAL_ERROR "norvane_add_widget_test(${name}) needs a LABEL")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} norvane_widget_test_support GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${PROJECT_SOURCE_DIR}/tests/sizing/offscreen_1280x1024.json")
endfunction()
