# Settings for the Windows build (mingw-w64).
enable_language(RC)

# User-visible literals are held in code page 932 at run time; the sources stay UTF-8.
add_compile_options(-fexec-charset=CP932)
add_compile_definitions(WINVER=0x0501 _WIN32_WINNT=0x0501 STRICT)
# No libstdc++/libwinpthread DLLs beside the executables.
add_link_options(-static -static-libgcc -static-libstdc++)

# Tests run under Wine in a prefix private to this build folder (scripts/wine-exec.sh).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-exec.sh;${CMAKE_BINARY_DIR}")
  set(KAVRIN_CAN_RUN ON)
else()
  # 32-bit Windows programs cannot run on these machines: built and inspected only.
  set(KAVRIN_CAN_RUN OFF)
  set(KAVRIN_TESTS OFF CACHE BOOL "" FORCE)
endif()

# kavrin_add_resources(<target> <script.rc> [DEPENDS files...])
# Resource scripts are UTF-8 and say so (#pragma code_page(65001)); windres stores their texts as
# UTF-16 and the ANSI calls hand them out in code page 932 at run time. A script converted to code
# page 932 instead would not survive windres: it reads the second byte of ソ (0x83 0x5C) as an escape.
# Resource ids and pictures are found next to the script.
function(kavrin_add_resources target script)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  get_filename_component(src "${script}" ABSOLUTE)
  get_filename_component(dir "${src}" DIRECTORY)
  list(TRANSFORM ARG_DEPENDS PREPEND "${CMAKE_CURRENT_SOURCE_DIR}/" REGEX "^[^/]")
  set_source_files_properties("${src}" PROPERTIES
    OBJECT_DEPENDS "${ARG_DEPENDS}"
    COMPILE_FLAGS "-c 65001 -I \"${dir}\"")
  target_sources(${target} PRIVATE "${src}")
endfunction()
