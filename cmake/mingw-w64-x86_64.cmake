# Cross-compiles for 64-bit Windows with mingw-w64; ctest runs the .exe files under Wine.
# Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake (scripts/build-windows does).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
# The posix threading flavour: std::thread and std::mutex exist (GoogleTest needs them).
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime is linked in, so an .exe needs nothing but the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine's loader: the packaged one first, else whatever is on PATH. The prefix lives in the build
# tree, so a test run never touches the user's own; the .NET and HTML runtimes, which no test
# needs, are left out of it.
if(EXISTS /usr/lib/wine/wine64)
  set(_wine /usr/lib/wine/wine64)
else()
  find_program(_wine NAMES wine64 wine)
endif()
if(_wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
      ${_wine})
endif()
