# GoogleTest for cross builds: Debian ships no MinGW build of it, so build it
# here from the sources that libgtest-dev/googletest install in
# /usr/src/googletest, and offer the same targets as find_package(GTest).
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(WENDRIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${WENDRIX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own sources are not ours to keep warning-free.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
  foreach(_pair gtest:gtest gtest_main:gtest_main GTest:gtest Main:gtest_main)
    string(REPLACE ":" ";" _pair ${_pair})
    list(GET _pair 0 _alias)
    list(GET _pair 1 _target)
    if(NOT TARGET GTest::${_alias})
      add_library(GTest::${_alias} ALIAS ${_target})
    endif()
  endforeach()
endif()
