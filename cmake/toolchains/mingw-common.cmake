# Shared part of the MinGW-w64 toolchains; WENDRIX_MINGW_TRIPLE and
# WENDRIX_WINE_PROGRAM are set by the including file.
set(_triple ${WENDRIX_MINGW_TRIPLE})

find_program(CMAKE_C_COMPILER NAMES ${_triple}-gcc-posix ${_triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_triple}-g++-posix ${_triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_triple}-windres REQUIRED)
set(CMAKE_AR ${_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triple}-ranlib CACHE FILEPATH "")

# Headers and libraries (zlib from libz-mingw-w64-dev) live under /usr/<triple>.
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link zlib statically so that no zlib1.dll has to sit beside the programs.
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_LIBRARY /usr/${_triple}/lib/libz.a CACHE FILEPATH "")
set(ZLIB_INCLUDE_DIR /usr/${_triple}/include CACHE PATH "")

# ctest and gtest_discover_tests run the test programs under wine, in a
# prefix of the build's own so that registry and profile tests never touch
# anyone else's. WINEDEBUG=-all keeps wine's diagnostics out of test output.
find_program(_wine NAMES ${WENDRIX_WINE_PROGRAM} wine PATHS /usr/lib/wine)
if(_wine)
  # Also for test scripts that run several programs in one prefix.
  set(WENDRIX_WINE ${_wine})
  set(WENDRIX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
      ${_wine})
endif()
