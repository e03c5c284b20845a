# CLI11, the tools' command-line parser, is header-only. The cross-build uses
# the same Debian headers, through a folder that holds only them, so that no
# other header of the build machine comes along.
if(CMAKE_CROSSCOMPILING)
  find_path(RUDI_CLI11_DIR CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(cli11_folder ${PROJECT_BINARY_DIR}/cli11-include)
  file(MAKE_DIRECTORY ${cli11_folder})
  file(CREATE_LINK ${RUDI_CLI11_DIR}/CLI ${cli11_folder}/CLI SYMBOLIC)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${cli11_folder})
else()
  find_package(CLI11 REQUIRED)
endif()
