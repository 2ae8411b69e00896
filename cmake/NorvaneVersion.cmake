# norvane_version: the header "norvane_version.h" with the project version, generated into
# the build tree so that the programs cannot drift from the package they come in.
configure_file(${CMAKE_CURRENT_LIST_DIR}/norvane_version.h.in
  ${PROJECT_BINARY_DIR}/generated/norvane_version.h @ONLY)
add_library(norvane_version INTERFACE)
target_include_directories(norvane_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
