# web.cmake -- the browser build (emcmake cmake): both games as pages, from the same sources as the
# desktop game, with the browser's shell files in place of the desktop's. The game data comes from
# the native build (KORVEL_NATIVE_BUILD), made there by the project's own tools.
set(KORVEL_NATIVE_BUILD ${CMAKE_SOURCE_DIR}/build CACHE PATH "The native build folder, with the game data")
set(KORVEL_WEB_OUT ${CMAKE_BINARY_DIR}/web CACHE PATH "Where the pages are put")
option(KORVEL_WEB_ASSERTIONS "Emscripten's run-time checks (-sASSERTIONS=1), for finding faults" OFF)

# Where the page's file system holds the data: an installed game's place (platform_web.cpp).
set(WEB_DATA_DIR /usr/share/korvel)
set(WEB_DATA font.fnt font-sharp.fnt boom.wav powerup.wav shoot1.wav shoot2.wav shoot3.wav selectmove.wav level.txt)
list(TRANSFORM WEB_DATA PREPEND ${KORVEL_NATIVE_BUILD}/run/)
list(APPEND WEB_DATA ${KORVEL_NATIVE_BUILD}/web-data/music1.ogg)

file(GLOB_RECURSE GAME_SOURCES CONFIGURE_DEPENDS src/*.cpp)
foreach(desktop simple.cpp shell/window.cpp shell/platform_desktop.cpp replay/replay.cpp)
  list(REMOVE_ITEM GAME_SOURCES ${CMAKE_SOURCE_DIR}/src/${desktop})
endforeach()

set(WEB_COMPILE "SHELL:-include ${CMAKE_SOURCE_DIR}/src/shell/sdl_web.h")
set(WEB_LINK -sLEGACY_GL_EMULATION=1 -sALLOW_MEMORY_GROWTH=1 -sMINIFY_HTML=0 -lidbfs.js
  -sEXPORTED_RUNTIME_METHODS=[FS]
  "SHELL:--shell-file ${CMAKE_SOURCE_DIR}/web/shell.html" "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/web/korvel-pre.js")
foreach(file ${WEB_DATA})
  get_filename_component(name ${file} NAME)
  list(APPEND WEB_LINK "SHELL:--preload-file ${file}@${WEB_DATA_DIR}/${name}")
endforeach()
if(KORVEL_WEB_ASSERTIONS)
  list(APPEND WEB_LINK -sASSERTIONS=1 -sGL_ASSERTIONS=1)
endif()

foreach(orientation portrait landscape)
  set(page korvel)
  if(orientation STREQUAL landscape)
    set(page korvel-landscape)
  endif()
  add_executable(${page} ${GAME_SOURCES} bench/scenes.cpp bench/bench_web.cpp)
  target_include_directories(${page} PRIVATE src)
  target_compile_options(${page} PRIVATE ${WEB_COMPILE})
  target_compile_definitions(${page} PRIVATE KORVEL_VERSION="${PROJECT_VERSION}"
    KORVEL_DATA_FROM_BIN="../share/korvel")
  target_link_options(${page} PRIVATE ${WEB_LINK})
  set_target_properties(${page} PROPERTIES SUFFIX .html RUNTIME_OUTPUT_DIRECTORY ${KORVEL_WEB_OUT}
    LINK_DEPENDS "${CMAKE_SOURCE_DIR}/web/shell.html;${CMAKE_SOURCE_DIR}/web/korvel-pre.js;${WEB_DATA}")
endforeach()
target_compile_definitions(korvel PRIVATE KORVEL_LANDSCAPE=0)
target_compile_definitions(korvel-landscape PRIVATE KORVEL_LANDSCAPE=1)

# The front page, which leads to both games.
add_custom_command(OUTPUT ${KORVEL_WEB_OUT}/index.html
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/index.html ${KORVEL_WEB_OUT}/index.html
  DEPENDS ${CMAKE_SOURCE_DIR}/web/index.html)
add_custom_target(web-index ALL DEPENDS ${KORVEL_WEB_OUT}/index.html)
