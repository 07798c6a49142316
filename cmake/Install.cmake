# Install rules (FHS, GNUInstallDirs) and the Debian package (CPack).
#   cmake --install build --prefix /usr/local      or      cpack -G DEB --config build/CPackConfig.cmake
include(GNUInstallDirs)

set(TARNWICK_APP_ID "org.tarnwick.Tarnwick")
# The addresses the AppStream metadata gives software centres.
set(TARNWICK_HOMEPAGE_URL "https://tarnwick.org/" CACHE STRING
    "The project's home page (AppStream homepage)")
set(TARNWICK_BUGTRACKER_URL "${TARNWICK_HOMEPAGE_URL}bugs/" CACHE STRING
    "Where users report bugs (AppStream bugtracker)")
set(TARNWICK_HELP_URL "${TARNWICK_HOMEPAGE_URL}help/" CACHE STRING
    "The user documentation (AppStream help)")
set(TARNWICK_SCREENSHOT_URL "${TARNWICK_HOMEPAGE_URL}screenshots/clock.png" CACHE STRING
    "Address of the screenshot in the AppStream metadata")

install(TARGETS tarnwick tarnwick-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/timezones.mdb DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnwick)

# Icons in the hicolor theme, named by the application id.
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/res/icons/tarnwick-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${TARNWICK_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/tarnwick.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${TARNWICK_APP_ID}.svg)

install(FILES ${PROJECT_SOURCE_DIR}/res/linux/${TARNWICK_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/res/linux/${TARNWICK_APP_ID}.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/${TARNWICK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${TARNWICK_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Man pages, compressed as Debian policy asks.
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(page tarnwick.1 tarnwick-cli.1)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/docs/man/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}
        VERBATIM)
    list(APPEND tarnwick_man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(tarnwick_man ALL DEPENDS ${tarnwick_man_pages})
install(FILES ${tarnwick_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's copyright and changelog files.
install(FILES ${PROJECT_SOURCE_DIR}/res/linux/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/res/linux/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/res/linux/changelog
    VERBATIM)
add_custom_target(tarnwick_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)

set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_CONTACT "The Tarnwick developers <maintainers@tarnwick.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop clock that keeps the computer's clock right")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time for the update check, so the library scan cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "systemd, polkitd, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A captionless window shows three clocks: a second zone picked from an
editable database of preset zones with their daylight-saving rules, the
computer's own zone, and Greenwich Mean Time, each with its zone label and
offset from UTC, and a block about time synchronisation.
.
The program asks time servers for the time with the Time Protocol
(RFC 868), compares it with the computer's clock and, beyond a margin,
leaves the clock alone, asks, or sets it through systemd-timedated. It
comes with a preset-zone editor, a day and hour converter, a
notification-area icon and tarnwick-cli for scripts.")
set(CPACK_STRIP_FILES ON)
include(CPack)
