# GoogleTest from Debian's source package, built for this target.
enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)

# kavrin_add_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [WINDOWS_ONLY])
# One test executable, run by ctest as one test (under Wine in the Windows build).
function(kavrin_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "KAVRIN_SOURCE_DIR=${CMAKE_SOURCE_DIR};KAVRIN_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
