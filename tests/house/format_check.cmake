# Every C++ source is formatted as the project's .clang-format says.
# cmake -DROOT=<project> -DCLANG_FORMAT=<program> -P format_check.cmake
cmake_minimum_required(VERSION 3.25)
file(GLOB_RECURSE sources "${ROOT}/src/*.h" "${ROOT}/src/*.cpp" "${ROOT}/tests/*.h" "${ROOT}/tests/*.cpp"
     "${ROOT}/bench/*.h" "${ROOT}/bench/*.cpp" "${ROOT}/fuzz/*.h" "${ROOT}/fuzz/*.cpp")
execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror ${sources} RESULT_VARIABLE rc ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "not formatted (run clang-format -i on these):\n${out}")
endif()
message(STATUS "every source is formatted")
