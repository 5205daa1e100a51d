# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# so std::thread and std::mutex work in the tests). Programs run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(WENDRIX_WINE_BITS 64)
set(WENDRIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(WENDRIX_WINE_PROGRAM wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
