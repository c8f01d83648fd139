# The Windows build (included by the top-level CMakeLists.txt when the target is Windows).
# UTF-16 at every Win32 call ("W" functions named explicitly); no min/max macros.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

include(cmake/EmbedFiles.cmake)

add_subdirectory(src)
add_subdirectory(tools)
# The installer and the zip, made of the programs and the demo suite above.
add_subdirectory(packaging/windows)

if(TOVALEER_TESTS)
  enable_testing()
  add_subdirectory(tests/win32)
endif()
