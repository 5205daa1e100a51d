# Cross build for 32-bit Windows (the shipped program) with Debian's
# MinGW-w64, posix thread model. Programs run under the 32-bit Wine
# loader (Debian's wine32:i386 package).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(WENDRIX_WINE_BITS 32)
set(WENDRIX_MINGW_TRIPLE i686-w64-mingw32)
set(WENDRIX_WINE_PROGRAM wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
