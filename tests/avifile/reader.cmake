# Tests of the AVI and WAVE readers.
if(NOT KAVRIN_WINDOWS)
  kavrin_add_test(reader_tests
    SOURCES reader_support.cpp reader_synthetic_test.cpp reader_ffmpeg_test.cpp reader_merge_test.cpp
    LIBS kavrin_merge kavrin_avifile kavrin_test_media
    TIMEOUT 600)
  target_include_directories(reader_tests PRIVATE ${PROJECT_SOURCE_DIR}/src/avifile)
else()
  kavrin_add_test(reader_windows_tests
    SOURCES reader_support.cpp reader_windows_test.cpp
    LIBS kavrin_avifile)
  target_include_directories(reader_windows_tests PRIVATE ${PROJECT_SOURCE_DIR}/src/avifile)
endif()

# Not a test: times the reads of a merge (see the file's head).
if(NOT KAVRIN_WINDOWS)
  add_executable(reader_bench reader_bench.cpp)
  target_link_libraries(reader_bench PRIVATE kavrin_avifile)
endif()
