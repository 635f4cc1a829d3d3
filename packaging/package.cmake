# package.cmake -- the Debian package, made by `cpack -G DEB` in the build folder (`make deb`):
# korvel_<version>-<release>_<arch>.deb; its dependencies are set in depends.cmake when cpack runs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VENDOR "The Korvel developers")
# The same address as the copyright file, the changelog and the AppStream metainfo.
set(CPACK_PACKAGE_CONTACT "The Korvel developers <korvel@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vector arcade shoot-'em-up for one or two players")
set(CPACK_PACKAGE_DESCRIPTION "Korvel is a small arcade shoot-'em-up for one or two players on one
keyboard: triangle ships, turning polygons whose number of sides is their hit
points, needle shots and glowing particles. It comes in a portrait and a
landscape version.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The first packaging of this version: its entry in packaging/changelog is korvel (<version>-1).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# On Debian 12 sdl12-compat is an alternative library beside the classic one, for LD_LIBRARY_PATH.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS libsdl1.2-compat)
# What depends.cmake reads: the programs whose libraries make the dependencies.
set(CPACK_KORVEL_PROGRAMS ${RUN_DIR}/korvel ${RUN_DIR}/korvel-landscape ${CMAKE_BINARY_DIR}/tools/korvel-level)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/depends.cmake)
include(CPack)
