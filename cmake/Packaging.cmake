# Release archives, made by `cmake --build <build> --target package`:
#   Linux:   wendrix-<version>-linux-x86_64.tar.gz
#   Windows: wendrix-<version>-win32.zip (win64 for the 64-bit build)
# Each holds one folder with the programs, a sample model file, a README and,
# on Linux, the man pages, the .desktop file and the icons. Unpacked next to
# the firmware it is ready to run: the model file and the log are looked for
# beside the programs. Only the "archive" install component goes into the
# archives; `cmake --install` keeps its usual bin/ and share/ layout.

# The sample model file lists no models: the archives hold no firmware, and
# an owner adds their own ("Add firmware...", wendrix-cli add). The demo
# models of scripts/make_demo.py stay in the demo folder of scripts/run.sh.
find_package(Python3 COMPONENTS Interpreter)
set(_sample ${CMAKE_BINARY_DIR}/sample)
if(Python3_FOUND)
  add_custom_command(
    OUTPUT ${_sample}/wendrix.ini
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/make_demo.py --model-file-only ${_sample}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make_demo.py
    COMMENT "Writing the sample model file"
    VERBATIM)
  add_custom_target(wendrix_sample_ini ALL DEPENDS ${_sample}/wendrix.ini)
  install(FILES ${_sample}/wendrix.ini DESTINATION . COMPONENT archive)
endif()

install(TARGETS wendrix-cli RUNTIME DESTINATION . COMPONENT archive)
if(TARGET wendrix)
  install(TARGETS wendrix RUNTIME DESTINATION . COMPONENT archive)
endif()

if(WIN32)
  # Windows users read the README in Notepad: CR LF line ends.
  configure_file(${PROJECT_SOURCE_DIR}/doc/archive-readme.txt ${_sample}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${_sample}/README.txt DESTINATION . COMPONENT archive)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_system win64)
  else()
    set(_system win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(_suffix zip)
else()
  configure_file(${PROJECT_SOURCE_DIR}/doc/archive-readme.txt ${_sample}/README
                 @ONLY NEWLINE_STYLE UNIX)
  install(FILES ${_sample}/README
                ${PROJECT_SOURCE_DIR}/doc/wendrix.1
                ${PROJECT_SOURCE_DIR}/doc/wendrix-cli.1
                ${PROJECT_SOURCE_DIR}/ui/resources/wendrix.desktop
                ${PROJECT_SOURCE_DIR}/ui/resources/wendrix-32.png
                ${PROJECT_SOURCE_DIR}/ui/resources/wendrix-128.png
          DESTINATION . COMPONENT archive)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/wendrix.1 ${PROJECT_SOURCE_DIR}/doc/wendrix-cli.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" _system)
  set(CPACK_GENERATOR TGZ)
  set(_suffix tar.gz)
endif()

set(CPACK_PACKAGE_NAME wendrix)
set(CPACK_PACKAGE_VENDOR Zarnek)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME wendrix-${PROJECT_VERSION}-${_system})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Only the archive component, installed at the top of the folder.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Wendrix;archive;/")
set(CPACK_STRIP_FILES ON)
# Taken before include(CPack), which reuses the names for its source package.
set(WENDRIX_ARCHIVE ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.${_suffix})
include(CPack)
