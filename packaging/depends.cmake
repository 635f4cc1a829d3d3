# depends.cmake -- read by cpack before it packs: the package's Depends, found by dpkg-shlibdeps from
# the libraries the programs link (libc, libstdc++, libOpenGL, SDL 1.2 and SDL_mixer 1.2), each once,
# and libGL, which both SDL 1.2 libraries load at run time for the OpenGL window.
#
# SDL 1.2 is named as "libsdl1.2debian (>= V) | libsdl1.2-compat (>= 1.2.68)". On Debian 12
# libsdl1.2debian is the classic library (or sdl12-compat's shim, which provides that name), while
# libsdl1.2-compat keeps sdl12-compat in a folder of its own that the programs never look in, so only
# from 1.2.68 may it stand for the library. On Debian 13 libsdl1.2debian is sdl12-compat itself and
# libsdl1.2-compat (1.2.68) a transitional package that brings it in. libgl1 brings Mesa's drivers
# on both (through libglx0 and libglx-mesa0, which depends on libgl1-mesa-dri); no SDL package does.
set(SDL_ALTERNATIVE "libsdl1.2-compat (>= 1.2.68)")
set(LOADED_AT_RUN_TIME libgl1)

set(work ${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/shlibdeps)
file(WRITE ${work}/debian/control "")
execute_process(COMMAND dpkg-shlibdeps -O ${CPACK_KORVEL_PROGRAMS} WORKING_DIRECTORY ${work}
  OUTPUT_VARIABLE found ERROR_VARIABLE errors RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REMOVE_RECURSE ${work})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-shlibdeps failed: ${errors}")
endif()
string(REGEX REPLACE "^shlibs:Depends=" "" found "${found}")
string(REPLACE ", " ";" found "${found}")
# The SDL 1.2 entry as the symbols file of either library writes it, then with the alternative.
list(TRANSFORM found REPLACE "^(libsdl1\\.2debian \\([^)]*\\)).*" "\\1 | ${SDL_ALTERNATIVE}")
list(APPEND found ${LOADED_AT_RUN_TIME})
list(REMOVE_DUPLICATES found)
list(JOIN found ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
