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

# ctest runs the test programs under wine, in a prefix of the build's own so
# that registry and profile tests never touch anyone else's. The loader of
# the build's word size is used directly (/usr/lib/wine/wine or wine64): the
# plain `wine` command picks the 32-bit one whenever it is installed, and
# some kernels cannot run 32-bit programs at all. The loader is tried once;
# where it cannot run, the tests are built but reported as skipped.
# WINEDEBUG=-all keeps wine's diagnostics out of test output.
find_program(_wine NAMES ${WENDRIX_WINE_PROGRAM} HINTS /usr/lib/wine /usr/lib64/wine /opt/wine-stable/bin)
set(WENDRIX_WINE_SKIP_REASON "")
if(NOT _wine)
  set(WENDRIX_WINE_SKIP_REASON "Wine (${WENDRIX_WINE_PROGRAM}) is not installed")
else()
  execute_process(COMMAND ${_wine} --version RESULT_VARIABLE _wine_status
                  OUTPUT_QUIET ERROR_QUIET)
  if(NOT _wine_status EQUAL 0)
    set(WENDRIX_WINE_SKIP_REASON
        "this machine cannot run ${WENDRIX_WINE_BITS}-bit programs (${_wine} --version failed)")
  endif()
endif()
if(WENDRIX_WINE_SKIP_REASON STREQUAL "")
  # Also for test scripts that run several programs in one prefix.
  set(WENDRIX_WINE ${_wine})
  set(WENDRIX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
      ${_wine})
endif()
