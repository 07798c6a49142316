# Install rules (FHS, GNUInstallDirs). The Debian package is built from debian/ with debhelper,
# which runs these rules into the package's root.
#   cmake --install build --prefix /usr/local      or      dpkg-buildpackage -us -uc -b
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
