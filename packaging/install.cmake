# install.cmake -- what `make install` and the Debian package put where: GNUInstallDirs with the
# games policy's folders (<prefix>/games, <prefix>/share/games/korvel). The programs find their data
# from their own folder (DATA_FROM_BIN), so a DESTDIR tree or a moved prefix works as well.

install(TARGETS korvel korvel-landscape RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(GAME_DATA font.fnt font-sharp.fnt LICENSE-DejaVu.txt music1.xm boom.wav powerup.wav shoot1.wav shoot2.wav shoot3.wav
    selectmove.wav level.txt icon.bmp)
list(TRANSFORM GAME_DATA PREPEND ${RUN_DIR}/)
install(FILES ${GAME_DATA} DESTINATION ${KORVEL_DATADIR})

install(FILES ${CMAKE_SOURCE_DIR}/desktop/${APP_ID}.desktop ${CMAKE_SOURCE_DIR}/desktop/${APP_ID}.Landscape.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/${APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
set(HICOLOR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${ICON_DIR}/${APP_ID}.svg DESTINATION ${HICOLOR}/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${ICON_DIR}/${APP_ID}-${size}.png DESTINATION ${HICOLOR}/${size}x${size}/apps RENAME ${APP_ID}.png)
endforeach()

# The man pages and the Debian changelog, compressed at build time as Debian keeps them (gzip -9n: no
# file name or time inside, so the same sources give the same bytes).
set(GZIP_DIR ${CMAKE_BINARY_DIR}/gz)
file(MAKE_DIRECTORY ${GZIP_DIR})
function(korvel_gzip source name)
  add_custom_command(OUTPUT ${GZIP_DIR}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${GZIP_DIR}/${name}
    COMMAND gzip -9nf ${GZIP_DIR}/${name}
    DEPENDS ${source})
  set_property(GLOBAL APPEND PROPERTY KORVEL_GZIPPED ${GZIP_DIR}/${name}.gz)
endfunction()
file(GLOB MAN_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/man/*.6)
foreach(page ${MAN_PAGES})
  get_filename_component(name ${page} NAME)
  korvel_gzip(${page} ${name})
endforeach()
korvel_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog changelog.Debian)
get_property(GZIPPED GLOBAL PROPERTY KORVEL_GZIPPED)
add_custom_target(compressed-docs ALL DEPENDS ${GZIPPED})

list(FILTER GZIPPED INCLUDE REGEX "\\.6\\.gz$")
install(FILES ${GZIPPED} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# korvel-landscape is described in korvel(6): its page is a link to that one.
file(CREATE_LINK korvel.6.gz ${GZIP_DIR}/korvel-landscape.6.gz SYMBOLIC)
install(FILES ${GZIP_DIR}/korvel-landscape.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${GZIP_DIR}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
