# web.cmake -- the browser build (emcmake cmake): both games as pages, from the same sources as the
# desktop game, with the browser's shell files in place of the desktop's. The game data comes from
# the native build (KORVEL_NATIVE_BUILD), made there by the project's own tools.
set(KORVEL_NATIVE_BUILD ${CMAKE_SOURCE_DIR}/build CACHE PATH "The native build folder, with the game data")
set(KORVEL_WEB_OUT ${CMAKE_BINARY_DIR}/web CACHE PATH "Where the pages are put")
option(KORVEL_WEB_ASSERTIONS "Emscripten's run-time checks (-sASSERTIONS=1), for finding faults" OFF)

# Where the page's file system holds the data: an installed game's place (platform_web.cpp).
set(WEB_DATA_DIR /usr/share/korvel)
set(WEB_DATA font.fnt font-sharp.fnt boom.wav powerup.wav shoot1.wav shoot2.wav shoot3.wav selectmove.wav level.txt
  levels/easy.txt levels/normal.txt levels/hard.txt)
list(TRANSFORM WEB_DATA PREPEND ${KORVEL_NATIVE_BUILD}/run/)
list(APPEND WEB_DATA ${KORVEL_NATIVE_BUILD}/web-data/music1.ogg)

file(GLOB_RECURSE GAME_SOURCES CONFIGURE_DEPENDS src/*.cpp)
foreach(desktop simple.cpp shell/window.cpp shell/platform_desktop.cpp)
  list(REMOVE_ITEM GAME_SOURCES ${CMAKE_SOURCE_DIR}/src/${desktop})
endforeach()

# The replay files' zlib is Debian's pako (node-pako), put in the page's script as korvelPako; its
# UMD wrapper fills the exports object it is given, here a local one, in the page as under Node.
# Its ES5 build: Emscripten's script optimizer loses ES2015's destructuring.
set(PAKO /usr/share/nodejs/pako/dist/pako.es5.min.js)
set(KORVEL_PAKO ${CMAKE_BINARY_DIR}/korvel-pako.js)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PAKO})
file(READ ${PAKO} PAKO_TEXT)
file(WRITE ${KORVEL_PAKO} "var korvelPako = (function () {\nvar exports = {}, module = {};\n${PAKO_TEXT}\nreturn exports;\n})();\n")

set(WEB_COMPILE "SHELL:-include ${CMAKE_SOURCE_DIR}/src/shell/sdl_web.h"
  "SHELL:-include ${CMAKE_SOURCE_DIR}/src/shell/gl_web.h")
set(WEB_LINK -sLEGACY_GL_EMULATION=1 -sALLOW_MEMORY_GROWTH=1 -sMINIFY_HTML=0 -lidbfs.js
  -sEXPORTED_RUNTIME_METHODS=[FS,ccall]
  "SHELL:--shell-file ${CMAKE_SOURCE_DIR}/web/shell.html" "SHELL:--pre-js ${KORVEL_PAKO}"
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/web/korvel-pre.js"
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/web/korvel-input.js"
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/web/korvel-runs.js")
foreach(file ${WEB_DATA})
  file(RELATIVE_PATH name ${KORVEL_NATIVE_BUILD}/run ${file})
  if(name MATCHES "^\\.\\.")
    get_filename_component(name ${file} NAME)
  endif()
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
  # The level checker's verdict tells the page why a level file it is offered cannot be used.
  add_executable(${page} ${GAME_SOURCES} bench/scenes.cpp bench/bench_web.cpp
    tools/korvel-level/level_check.cpp)
  target_include_directories(${page} PRIVATE src tools/korvel-level)
  target_compile_options(${page} PRIVATE ${WEB_COMPILE})
  target_compile_definitions(${page} PRIVATE KORVEL_VERSION="${PROJECT_VERSION}"
    KORVEL_DATA_FROM_BIN="../share/korvel")
  target_link_options(${page} PRIVATE ${WEB_LINK})
  set_target_properties(${page} PROPERTIES SUFFIX .html RUNTIME_OUTPUT_DIRECTORY ${KORVEL_WEB_OUT}
    LINK_DEPENDS
    "${CMAKE_SOURCE_DIR}/web/shell.html;${KORVEL_PAKO};${CMAKE_SOURCE_DIR}/web/korvel-pre.js;${CMAKE_SOURCE_DIR}/web/korvel-input.js;${CMAKE_SOURCE_DIR}/web/korvel-runs.js;${WEB_DATA}")
endforeach()
target_compile_definitions(korvel PRIVATE KORVEL_LANDSCAPE=0)
target_compile_definitions(korvel-landscape PRIVATE KORVEL_LANDSCAPE=1)

# The front page, which leads to both games, and the installable web app: its manifest, icons drawn by
# the project's own tool, and the service worker that keeps every file for playing offline.
set(WEB_STATIC index.html install.js manifest.webmanifest)
set(WEB_ICON_SIZES 192 512)
set(WEB_COPIED)
foreach(name ${WEB_STATIC})
  add_custom_command(OUTPUT ${KORVEL_WEB_OUT}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/${name} ${KORVEL_WEB_OUT}/${name}
    DEPENDS ${CMAKE_SOURCE_DIR}/web/${name})
  list(APPEND WEB_COPIED ${KORVEL_WEB_OUT}/${name})
endforeach()
foreach(size ${WEB_ICON_SIZES})
  set(icon ${KORVEL_NATIVE_BUILD}/icons/io.github.korvel.Korvel-${size}.png)
  add_custom_command(OUTPUT ${KORVEL_WEB_OUT}/icon-${size}.png
    COMMAND ${CMAKE_COMMAND} -E copy ${icon} ${KORVEL_WEB_OUT}/icon-${size}.png
    DEPENDS ${icon})
  list(APPEND WEB_COPIED ${KORVEL_WEB_OUT}/icon-${size}.png)
  list(APPEND WEB_STATIC icon-${size}.png)
endforeach()
set(WEB_FILES ${WEB_STATIC})
foreach(page korvel korvel-landscape)
  list(APPEND WEB_FILES ${page}.html ${page}.js ${page}.wasm ${page}.data)
endforeach()
add_custom_command(OUTPUT ${KORVEL_WEB_OUT}/sw.js
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/web/sw.js.in -DOUT=${KORVEL_WEB_OUT}
    -DVERSION=${PROJECT_VERSION} "-DFILES=${WEB_FILES}" -P ${CMAKE_SOURCE_DIR}/web/sw.cmake
  DEPENDS ${WEB_COPIED} korvel korvel-landscape ${CMAKE_SOURCE_DIR}/web/sw.js.in ${CMAKE_SOURCE_DIR}/web/sw.cmake
  VERBATIM)
add_custom_target(web-app ALL DEPENDS ${KORVEL_WEB_OUT}/sw.js)

# The score server's verifiers of the browser's runs: the browser's game itself under Node, with the
# null platform in place of SDL, SDL_mixer and WebGL (its C++ part, and null_platform.js for the
# calls WebAssembly types strictly), reading the replay and the presets from the real file system.
# They go beside the desktop's korvel-verify, which hands them the runs marked "+web".
set(KORVEL_VERIFY_OUT ${KORVEL_NATIVE_BUILD}/scores CACHE PATH "Where the verifiers under Node are put")
# The most memory a run's check may grow the game's WebAssembly memory to.
set(KORVEL_VERIFY_MEMORY_MB 256)
# The game without its page and its drawing (null_batch.cpp), once per orientation, for the programs
# under Node.
set(HEADLESS_SOURCES ${GAME_SOURCES} scores/verifier/headless.cpp scores/verifier/null_batch.cpp)
list(REMOVE_ITEM HEADLESS_SOURCES ${CMAKE_SOURCE_DIR}/src/shell/platform_web.cpp
  ${CMAKE_SOURCE_DIR}/src/shell/gl_web.cpp)
# nlohmann-json, header-only, from Debian's /usr/include without the rest of that folder.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/json-include)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/json-include/nlohmann SYMBOLIC)
add_library(null-platform-web OBJECT scores/verifier/null_platform.cpp)
set(NULL_PLATFORM_JS ${CMAKE_SOURCE_DIR}/scores/verifier/null_platform.js)
foreach(orientation portrait landscape)
  add_library(headless-web-${orientation} OBJECT ${HEADLESS_SOURCES})
  target_include_directories(headless-web-${orientation} PUBLIC src scores/verifier ${CMAKE_BINARY_DIR}/json-include)
  target_compile_options(headless-web-${orientation} PUBLIC ${WEB_COMPILE})
  target_compile_definitions(headless-web-${orientation} PUBLIC KORVEL_VERSION="${PROJECT_VERSION}"
    KORVEL_DATA_FROM_BIN="../share/korvel")
endforeach()
target_compile_definitions(headless-web-portrait PUBLIC KORVEL_LANDSCAPE=0)
target_compile_definitions(headless-web-landscape PUBLIC KORVEL_LANDSCAPE=1)

# A program under Node from its main source and the headless game of an orientation.
function(add_node_program name orientation source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE headless-web-${orientation} null-platform-web)
  target_link_options(${name} PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sUSE_SDL=0
    -sWASM_ASYNC_COMPILATION=0 -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=${KORVEL_VERIFY_MEMORY_MB}MB
    "SHELL:--pre-js ${KORVEL_PAKO}" "SHELL:--js-library ${NULL_PLATFORM_JS}")
  set_target_properties(${name} PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${KORVEL_VERIFY_OUT}
    LINK_DEPENDS "${KORVEL_PAKO};${NULL_PLATFORM_JS}")
endfunction()
add_node_program(korvel-verify-web portrait scores/verifier/verify.cpp)
add_node_program(korvel-verify-web-landscape landscape scores/verifier/verify.cpp)
# The benchmark's long game, recorded by the browser's code (`make bench-scores`).
add_node_program(korvel-long-run-web portrait bench/long_run.cpp)
set_target_properties(korvel-long-run-web PROPERTIES EXCLUDE_FROM_ALL ON)
