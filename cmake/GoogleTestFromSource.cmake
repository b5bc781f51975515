# GoogleTest built from Debian's source package (googletest, in /usr/src/googletest): no
# cross-built binary is packaged. Its CMake file defines GTest::gtest and GTest::gtest_main.
set(VANTOR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VANTOR_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its code is not ours to hold to our warning level.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)
