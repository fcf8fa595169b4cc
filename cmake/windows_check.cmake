# make windows-check: every source of the core, the platform layer's Windows
# side and qorn-cli compiled for Windows (cmake/mingw-w64.cmake), with the
# warnings of the Linux build as errors; and the platform tests built for
# Windows and run under Wine. No SQLite or Qt built for Windows is to be had
# here, so the core and qorn-cli are compiled, not linked.
if(NOT WIN32)
  message(FATAL_ERROR "QORN_WINDOWS_CHECK builds for Windows: configure with "
                      "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake")
endif()
target_compile_options(qorn_options INTERFACE -Werror)

# SQLite's header alone, from the Linux package: the same on every system.
file(COPY /usr/include/sqlite3.h DESTINATION ${CMAKE_BINARY_DIR}/sqlite3)
add_library(SQLite::SQLite3 INTERFACE IMPORTED)
set_target_properties(SQLite::SQLite3 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/sqlite3)

add_subdirectory(src)

# GoogleTest for Windows, from the source Debian's googletest package ships.
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest
  EXCLUDE_FROM_ALL SYSTEM)
add_executable(platform_test tests/platform/platform_test.cpp)
target_link_libraries(platform_test PRIVATE qorn_platform gtest)
# One file that Wine runs as it is, without mingw's libraries beside it.
target_link_options(platform_test PRIVATE -static)

# Wine in a prefix of its own in the build folder, without a display: the
# first start makes the prefix (the fixture), which takes a while.
find_program(QORN_WINE NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
set(wine_environment
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY=)
enable_testing()
add_test(NAME wine_prefix COMMAND ${QORN_WINE} wineboot --init)
add_test(NAME platform_test_under_wine COMMAND ${QORN_WINE} $<TARGET_FILE:platform_test>)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300
  ENVIRONMENT "${wine_environment}")
set_tests_properties(platform_test_under_wine PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300
  ENVIRONMENT "${wine_environment}")
