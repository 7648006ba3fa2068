# The files the programs need beside them, and the desktop integration.
#
# In the build tree the help folder and the About logo are copied beside bin/pictoreel, so the
# program finds them as an installed one does, and a "portable" marker file keeps the settings
# (pictoreel.ini) and the temp folder beside the programs too; an installation never has the
# marker, so installed programs keep them per user. Installed, the programs go to bin/, their
# files to share/pictoreel/ (found as ../share/pictoreel from bin/), and the desktop entry, the
# MIME type of ".agp" projects, the AppStream metainfo, the icons and the man pages to their
# usual places.
set(PICTOREEL_BIN_DIR "${CMAKE_BINARY_DIR}/bin")
set(PICTOREEL_APP_ID "org.example.Pictoreel")
set(PICTOREEL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/pictoreel")

# The codec modules (ImageMagick, FFmpeg) are loaded at their first use from lib/pictoreel: the
# installation's (found from the program's bin/ folder) or the build tree's. The run path names
# the same folder for the dynamic linker's own search, the last place the loader tries.
#
# Programs are built with the run path they are installed with, naming the build tree's folder
# as well (the programs and tests of the build tree are in folders beside lib/ too). A build
# tree's own run path would be padded with an empty entry, for the installation to write over,
# and the loader reads an empty entry as the current folder: it would look there for every
# library at each start.
set(PICTOREEL_MODULE_BUILD_DIR "${CMAKE_BINARY_DIR}/lib/pictoreel")
set(PICTOREEL_MODULE_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/pictoreel")
file(RELATIVE_PATH PICTOREEL_MODULES_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}/pictoreel")
set(CMAKE_INSTALL_RPATH "$ORIGIN/${PICTOREEL_MODULES_FROM_BIN}")
if(NOT PICTOREEL_MODULES_FROM_BIN STREQUAL "../lib/pictoreel")
  list(APPEND CMAKE_INSTALL_RPATH "$ORIGIN/../lib/pictoreel")
endif()
set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)

# The logo is optional until it is drawn; a glob notices when it appears.
file(GLOB PICTOREEL_LOGO CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/data/vimo.gif")
file(GLOB_RECURSE PICTOREEL_HELP_FILES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/help/*")

set(program_files_stamp "${PICTOREEL_BIN_DIR}/.program-files.stamp")
set(copy_logo)
if(PICTOREEL_LOGO)
  set(copy_logo COMMAND ${CMAKE_COMMAND} -E copy ${PICTOREEL_LOGO} "${PICTOREEL_BIN_DIR}/")
endif()
add_custom_command(OUTPUT "${program_files_stamp}"
  COMMAND ${CMAKE_COMMAND} -E rm -rf "${PICTOREEL_BIN_DIR}/help"
  COMMAND ${CMAKE_COMMAND} -E copy_directory "${CMAKE_SOURCE_DIR}/help" "${PICTOREEL_BIN_DIR}/help"
  ${copy_logo}
  COMMAND ${CMAKE_COMMAND} -E touch "${program_files_stamp}"
  DEPENDS ${PICTOREEL_HELP_FILES} ${PICTOREEL_LOGO}
  COMMENT "Copying the help and the logo beside the programs")
set(portable_marker "${PICTOREEL_BIN_DIR}/portable")
add_custom_command(OUTPUT "${portable_marker}"
  COMMAND ${CMAKE_COMMAND} -E touch "${portable_marker}"
  COMMENT "Marking the build tree's programs as portable")
add_custom_target(pictoreel-program-files ALL DEPENDS "${program_files_stamp}" "${portable_marker}")

install(DIRECTORY "${CMAKE_SOURCE_DIR}/help" DESTINATION "${PICTOREEL_DATA_DIR}")
if(PICTOREEL_LOGO)
  install(FILES ${PICTOREEL_LOGO} DESTINATION "${PICTOREEL_DATA_DIR}")
endif()

install(FILES "${CMAKE_SOURCE_DIR}/packaging/${PICTOREEL_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${CMAKE_SOURCE_DIR}/packaging/pictoreel.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages")
install(FILES "${CMAKE_SOURCE_DIR}/packaging/${PICTOREEL_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${CMAKE_SOURCE_DIR}/icons/${PICTOREEL_APP_ID}.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES "${CMAKE_SOURCE_DIR}/icons/hicolor/${size}x${size}/${PICTOREEL_APP_ID}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
endforeach()

# The man pages and the changelog are installed compressed, as Debian's policy wants them, by
# gzip -9n (no file name, no time stamp: the same text always gives the same bytes). They and the
# copyright file, in Debian's machine-readable format, go where Debian keeps them.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed_files)
function(pictoreel_compress source compressed)
  add_custom_command(OUTPUT "${compressed}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/compressed"
    COMMAND ${GZIP_PROGRAM} -9n -c "${source}" > "${compressed}"
    DEPENDS "${source}"
    COMMENT "Compressing ${source}")
  set(compressed_files ${compressed_files} "${compressed}" PARENT_SCOPE)
endfunction()
foreach(page pictoreel pictoreel-cli)
  pictoreel_compress("${CMAKE_SOURCE_DIR}/docs/${page}.1" "${CMAKE_BINARY_DIR}/compressed/${page}.1.gz")
  install(FILES "${CMAKE_BINARY_DIR}/compressed/${page}.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endforeach()
pictoreel_compress("${CMAKE_SOURCE_DIR}/packaging/changelog" "${CMAKE_BINARY_DIR}/compressed/changelog.gz")
add_custom_target(pictoreel-compressed-docs ALL DEPENDS ${compressed_files})
install(FILES "${CMAKE_SOURCE_DIR}/packaging/copyright" "${CMAKE_BINARY_DIR}/compressed/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/pictoreel")
