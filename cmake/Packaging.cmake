# Where `cmake --install` puts the program (GNU layout under CMAKE_INSTALL_PREFIX), and the
# Debian package CPack makes of it (`cpack -G DEB`). tests/package/check-package builds,
# installs and runs that package.
include(GNUInstallDirs)

# The helper goes beside headroom: each finds the other in its own folder.
set(HEADROOM_INSTALL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/headroom")
# The binary finds its data relative to itself, so a later `--prefix` keeps them together.
file(RELATIVE_PATH HEADROOM_INSTALLED_RESOURCES_DIR
    "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/headroom")

# Every file of resources/ that the program reads at run time.
install(FILES
    resources/SettingWindowController.ui
    resources/ThanaksWindowController.ui
    resources/index.html
    resources/hd.png
    resources/h2_n.svg
    resources/h4_n.svg
    DESTINATION "${HEADROOM_INSTALL_DATA_DIR}")
# The application's entry (Desktop Entry Specification) and its icon (Icon Theme
# Specification: a scalable icon of the hicolor theme, named by the entry's Icon key).
install(FILES resources/${HEADROOM_APPLICATION_ID}.desktop
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES resources/${HEADROOM_APPLICATION_ID}.svg
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
# The software centres' description (AppStream metainfo), by the entry's id.
install(FILES resources/${HEADROOM_APPLICATION_ID}.metainfo.xml
    DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES docs/headroom.1 DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

if(BUILD_TESTING AND NOT HEADROOM_CORE_ONLY)
    add_test(NAME desktop_entry_valid
        COMMAND desktop-file-validate
                "${PROJECT_SOURCE_DIR}/resources/${HEADROOM_APPLICATION_ID}.desktop")
    # The validator's exit status counts only errors and warnings; its hints ("I:") are refused
    # too. The pedantic note on the id's upper-case letter stays: the name part keeps the
    # program's own spelling.
    add_test(NAME metainfo_valid
        COMMAND bash -c [[out=$(appstreamcli validate --no-net --pedantic "$1" 2>&1); rc=$?; echo "$out"; test $rc -eq 0 && ! grep -qE '^[EWI]:' <<<"$out"]]
                check "${PROJECT_SOURCE_DIR}/resources/${HEADROOM_APPLICATION_ID}.metainfo.xml")
    # groff's warnings go to standard error while its exit status stays 0: any output fails.
    add_test(NAME man_page_without_warnings
        COMMAND bash -c [[out=$(groff -man -ww -z -Tutf8 "$1" 2>&1) && test -z "$out" || { echo "$out"; exit 1; }]]
                check "${PROJECT_SOURCE_DIR}/docs/headroom.1")
endif()

set(CPACK_PACKAGE_NAME headroom)
set(CPACK_PACKAGE_VENDOR "Tidewell")
set(CPACK_PACKAGE_CONTACT "Tidewell <headroom@tidewell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Headroom shows free memory as text beside a small bar icon in the desktop's status area, \
with the memory breakdown and the applications that hold a significant share of it. Extreme \
Clean puts the system under memory pressure for a few seconds so that the kernel gives back \
cache. Without a display it shows the same in the terminal.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# Depends from the libraries the binaries link (dpkg-shlibdeps, from dpkg-dev), and gdk-pixbuf's
# SVG loader, which no library brings: the status icon and its artwork are SVG files, and
# libgtk-3-0 only recommends the loader. CPack puts the computed libraries after this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "librsvg2-common")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
