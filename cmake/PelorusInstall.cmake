# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# What `cmake --install` puts in place, and the Debian package built from it by CPack:
# the executable, the desktop entry, the icon in the hicolor theme, the AppStream
# metainfo and the manual page.
include(GNUInstallDirs)

set(PELORUS_SCREENSHOT_URL "https://pelorus.example.org/screenshots/main-window.png"
    CACHE STRING "Where the AppStream metainfo says the screenshot of the main window is")

set(desktop_sources ${PROJECT_SOURCE_DIR}/resources/desktop)
set(desktop_generated ${PROJECT_BINARY_DIR}/desktop)

install(TARGETS pelmarin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${desktop_sources}/${PELORUS_DESKTOP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

configure_file(${desktop_sources}/${PELORUS_DESKTOP_ID}.metainfo.xml.in
               ${desktop_generated}/${PELORUS_DESKTOP_ID}.metainfo.xml @ONLY)
install(FILES ${desktop_generated}/${PELORUS_DESKTOP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon's sizes are drawn by resources/icons/draw.py, which writes them beside the XPMs.
foreach(size IN ITEMS 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/hicolor/${size}x${size}/apps/${PELORUS_DESKTOP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian keeps manual pages compressed; gzip -n leaves the time out, so that two builds of
# one version give the same file.
# The version as --version prints it: the minor number in two digits, the revision as a
# beta number unless it is 0.
math(EXPR minor_last_two "${PROJECT_VERSION_MINOR} % 100")
if(minor_last_two LESS 10)
    set(minor_last_two "0${minor_last_two}")
endif()
set(PELORUS_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${minor_last_two}")
if(NOT PROJECT_VERSION_PATCH EQUAL 0)
    string(APPEND PELORUS_VERSION_TEXT " [beta ${PROJECT_VERSION_PATCH}]")
endif()
configure_file(${desktop_sources}/pelmarin.1.in ${desktop_generated}/pelmarin.1 @ONLY)
find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM)
    add_custom_command(
        OUTPUT ${desktop_generated}/pelmarin.1.gz
        COMMAND ${GZIP_PROGRAM} -n -9 -c ${desktop_generated}/pelmarin.1 > ${desktop_generated}/pelmarin.1.gz
        DEPENDS ${desktop_generated}/pelmarin.1
        COMMENT "Compressing the manual page")
    add_custom_target(pelorus_manual ALL DEPENDS ${desktop_generated}/pelmarin.1.gz)
    install(FILES ${desktop_generated}/pelmarin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    install(FILES ${desktop_generated}/pelmarin.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The Debian package: its runtime dependencies are what dpkg-shlibdeps finds the
# executable linked against, never a hand-written list.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelorus-viewer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pelorus Viewer authors")
set(CPACK_PACKAGE_CONTACT "Pelorus Viewer authors <pelorus@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop task viewer for X11 and XWayland")
# The summary above is the first line of the package's description, this the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Pelorus Viewer lists the running processes with their file name, process
identifier and folder, and ends the selected ones. Opening a process shows its
executable, its threads with their priorities, its loaded modules and the tree
of its X11 windows, which it can show, hide and raise.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt draws no text without a font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
