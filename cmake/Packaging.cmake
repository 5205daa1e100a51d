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

# The README names only what its archive holds, one file a line.
if(WIN32)
  set(ARCHIVE_DESKTOP wendrix.exe)
  set(ARCHIVE_FILES [[
  wendrix.exe       the desktop program
  wendrix-cli.exe   the command-line program (wendrix-cli --help)
  wendrix.ini       the model file (sample, without models)
  README.txt        this file]])
  set(ARCHIVE_NOTES [[
The lines you type are remembered for the next run in the registry key
HKEY_CURRENT_USER\Software\Zarnek\Wendrix.]])
else()
  set(ARCHIVE_DESKTOP wendrix)
  set(ARCHIVE_FILES [[
  wendrix           the desktop program
  wendrix-cli       the command-line program (wendrix-cli --help)
  wendrix.ini       the model file (sample, without models)
  README            this file
  wendrix.1         the desktop program's manual page (man -l wendrix.1)
  wendrix-cli.1     the command-line program's manual page
  wendrix.desktop   the menu entry
  wendrix-32.png    the icon, 32 x 32
  wendrix-128.png   the icon, 128 x 128]])
  set(ARCHIVE_NOTES [[
The lines you type are remembered for the next run in
$XDG_CONFIG_HOME/Zarnek/Wendrix (default ~/.config/Zarnek/Wendrix).

The desktop program needs Qt 6 (Debian: apt-get install libqt6widgets6
qt6-qpa-plugins), wendrix-cli only the C library, zlib, libdeflate, ICU (libicu72,
which Qt 6 brings too) and, for updates, libcurl. A Windows UPDATER.EXE is
started through wine.]])
endif()

if(WIN32)
  # Windows users read the README in Notepad: CR LF line ends. The style
  # applies to the template's lines, not to the lines of a value put in.
  string(REPLACE "\n" "\r\n" ARCHIVE_FILES "${ARCHIVE_FILES}")
  string(REPLACE "\n" "\r\n" ARCHIVE_NOTES "${ARCHIVE_NOTES}")
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
