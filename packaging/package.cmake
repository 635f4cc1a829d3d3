# package.cmake -- the Debian package, made by `cpack -G DEB` in the build folder (`make deb`):
# korvel_<version>_<arch>.deb, its dependencies found from the libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VENDOR "The Korvel developers")
# A placeholder address (the .invalid domain never resolves) until the project has a real one.
set(CPACK_PACKAGE_CONTACT "The Korvel developers <maintainers@korvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vector arcade shoot-'em-up for one or two players")
set(CPACK_PACKAGE_DESCRIPTION "Korvel is a small arcade shoot-'em-up for one or two players on one keyboard:
triangle ships, turning polygons whose number of sides is their hit points, needle shots and
glowing particles. It comes in a portrait and a landscape version.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
