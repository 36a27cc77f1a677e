# Installation beyond the programs, and the Debian package that CPack builds from it.
set(TORANCAL_ID cz.torancal.ToranCal)
set(packaging ${CMAKE_SOURCE_DIR}/packaging)

if(TARGET torancal-cli)
    install(TARGETS torancal-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${packaging}/${TORANCAL_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/${TORANCAL_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/icons/${TORANCAL_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The PNG sizes come from the SVG through scripts/render-icons.sh.
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${packaging}/icons/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${TORANCAL_ID}.png)
endforeach()

if(UNIX AND NOT APPLE)
    # Debian wants compressed manual pages, the copyright and a compressed changelog.
    set(compressed)
    foreach(file changelog torancal.1 toran-sim.1 torancal-cli.1)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
            COMMAND gzip -9nc ${packaging}/${file} > ${CMAKE_BINARY_DIR}/${file}.gz
            DEPENDS ${packaging}/${file})
        list(APPEND compressed ${CMAKE_BINARY_DIR}/${file}.gz)
    endforeach()
    add_custom_target(torancal-docs ALL DEPENDS ${compressed})
    install(FILES ${CMAKE_BINARY_DIR}/torancal.1.gz ${CMAKE_BINARY_DIR}/toran-sim.1.gz
                  ${CMAKE_BINARY_DIR}/torancal-cli.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${packaging}/copyright ${CMAKE_BINARY_DIR}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/torancal)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torancal)
set(CPACK_PACKAGE_VENDOR "ToranCal developers")
set(CPACK_PACKAGE_CONTACT "ToranCal developers <torancal@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calibrator for the Toran R-40 strain-gauge transducer")
set(CPACK_PACKAGE_DESCRIPTION
    "ToranCal finds a Toran R-40 transducer on a serial port, reads its setup\n"
    "and its sensors, edits a sensor's settings and builds its calibration\n"
    "curve from live readings. toran-sim, a simulated instrument on a\n"
    "pseudo-terminal, lets one try the calibrator without hardware.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin, which no library of the program links, and the records
# store Qt's SQLite driver, a plugin too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
# Qt's own Czech for the standard buttons ("Ano", "Ne"), and Qt's PostgreSQL driver, which only a
# bench recording to a laboratory's server needs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
