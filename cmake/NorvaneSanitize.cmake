# NORVANE_SANITIZE=address builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# NORVANE_SANITIZE=thread with ThreadSanitizer. The flags go on every target, so the
# libraries, the tests and the programs all run instrumented.
if(NORVANE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(NORVANE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT NORVANE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "NORVANE_SANITIZE must be empty, 'address' or 'thread', not '${NORVANE_SANITIZE}'")
endif()

# The sanitizers' instrumentation defeats GCC's flow analysis: optimised sanitizer builds
# report "may be used uninitialized" inside the standard library (std::regex, std::function)
# where nothing is. The normal build keeps the warning.
if(NOT NORVANE_SANITIZE STREQUAL "" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-maybe-uninitialized)
endif()
