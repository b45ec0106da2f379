cmake_minimum_required(VERSION 3.25)
# Checks that every C++ file of the project is laid out as .clang-format says.
# Usage: cmake -DSOURCE_DIR=<project> -DCLANG_FORMAT=<clang-format or empty> -P CheckFormat.cmake
if(NOT CLANG_FORMAT)
  message("SKIPPED: no clang-format")
  return()
endif()
set(files "")
foreach(folder src tests bench)
  file(GLOB_RECURSE found "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
  list(APPEND files ${found})
endforeach()
list(FILTER files EXCLUDE REGEX "^${SOURCE_DIR}/bench/out/") # the benchmark's generated trees
list(LENGTH files count)
if(count EQUAL 0)
  message(FATAL_ERROR "no C++ files found under ${SOURCE_DIR}")
endif()
execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror ${files}
                WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE rc ERROR_VARIABLE report)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "not formatted (run clang-format -i on these):\n${report}")
endif()
message("${count} files formatted")
