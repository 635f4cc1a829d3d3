# install.cmake -- what `make install` and the Debian package put where (GNUInstallDirs layout).
# The programs find their data in <datadir>/korvel from <bindir> (DATA_FROM_BIN), so a DESTDIR tree
# or a moved prefix works as well.

install(TARGETS korvel korvel-landscape RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(GAME_DATA font.fnt LICENSE-DejaVu.txt music1.xm boom.wav powerup.wav shoot1.wav shoot2.wav shoot3.wav
    selectmove.wav level.txt)
list(TRANSFORM GAME_DATA PREPEND ${RUN_DIR}/)
install(FILES ${GAME_DATA} DESTINATION ${CMAKE_INSTALL_DATADIR}/korvel)

install(FILES ${CMAKE_SOURCE_DIR}/desktop/${APP_ID}.desktop ${CMAKE_SOURCE_DIR}/desktop/${APP_ID}.Landscape.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/${APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
set(HICOLOR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${ICON_DIR}/${APP_ID}.svg DESTINATION ${HICOLOR}/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${ICON_DIR}/${APP_ID}-${size}.png DESTINATION ${HICOLOR}/${size}x${size}/apps RENAME ${APP_ID}.png)
endforeach()

file(GLOB MAN_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/man/*.6)
install(FILES ${MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
