# NORVANE_BUILD_FUZZERS: libFuzzer targets under tests/fuzz. Only clang has libFuzzer. The
# libraries are instrumented for coverage and checked by AddressSanitizer and
# UndefinedBehaviorSanitizer; only the fuzz targets link the fuzzer's main.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "NORVANE_BUILD_FUZZERS needs clang (CXX=clang++), not ${CMAKE_CXX_COMPILER_ID}")
endif()
if(NOT NORVANE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "NORVANE_BUILD_FUZZERS brings its own sanitizers; leave NORVANE_SANITIZE empty")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)

enable_testing()

# norvane_add_fuzzer(<name> SOURCES <files...> [LIBS <targets...>])
#
# One libFuzzer program; its seed corpus lives in tests/fuzz/corpus/<name>/. A CTest case
# (label fuzz) replays that corpus once, so an input added there after a fault stays a
# regression check; tools/run-fuzzers does the actual fuzzing.
function(norvane_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${name}_corpus
           COMMAND ${name} -runs=0 ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set_tests_properties(${name}_corpus PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()
