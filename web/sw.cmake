# sw.cmake -- writes the service worker (cmake -P): sw.js.in with the list of the pages' files and a
# version made of the game's version and a digest of those files, so each different build has a
# cache of its own. Takes SOURCE (sw.js.in), OUT (the pages' folder), VERSION and FILES (;-list,
# names in OUT).
set(digests "")
set(quoted "")
foreach(file ${FILES})
  file(SHA256 ${OUT}/${file} digest)
  string(APPEND digests ${digest})
  list(APPEND quoted "'${file}'")
endforeach()
string(SHA256 digest "${digests}")
string(SUBSTRING ${digest} 0 12 digest)
set(KORVEL_WEB_VERSION ${VERSION}-${digest})
list(JOIN quoted ", " KORVEL_WEB_FILES)
configure_file(${SOURCE} ${OUT}/sw.js @ONLY)
