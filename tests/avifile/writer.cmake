# Tests of the AVI writer.
if(NOT KAVRIN_WINDOWS)
  kavrin_add_test(writer_tests
    SOURCES writer_support.cpp writer_ffmpeg_test.cpp writer_file_test.cpp
    LIBS kavrin_merge kavrin_avifile kavrin_test_media
    TIMEOUT 600)
  target_include_directories(writer_tests PRIVATE ${PROJECT_SOURCE_DIR}/src/avifile)
endif()
if(NOT KAVRIN_WINDOWS)
  # Writes over 5 GiB in all; the files are removed after.
  kavrin_add_test(writer_large_tests
    SOURCES writer_support.cpp writer_large_test.cpp
    LIBS kavrin_merge kavrin_avifile kavrin_test_media
    TIMEOUT 300)
  target_include_directories(writer_large_tests PRIVATE ${PROJECT_SOURCE_DIR}/src/avifile)
endif()
if(KAVRIN_WINDOWS)
  kavrin_add_test(writer_windows_tests
    SOURCES writer_windows_test.cpp
    LIBS kavrin_avifile)
endif()
