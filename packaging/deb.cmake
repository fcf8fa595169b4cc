# `make package`: a Debian package of what `cmake --install` lays out, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Qorn developers")
set(CPACK_PACKAGE_CONTACT "Qorn maintainers <maintainers@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "damage meter for an EverQuest necromancer's log")
set(CPACK_PACKAGE_DESCRIPTION
  "Qorn reads the plain-text log of an EverQuest necromancer and picks out the damage that the \
character and its pets did (DoT ticks, direct damage, pet and swarm-pet hits), the spell casts \
with their resists, fizzles and interrupts, and three short damage buffs. It keeps them in a \
local database, cuts them into fights and shows lists, bar graphs and a statistics table per \
fight, exported as CSV or HTML. qorn-cli prints the same lists without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QORN_HOMEPAGE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The dependencies are the packages of the Qt and SQLite libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# Builds only what the package holds (not the tests), then the package.
add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  VERBATIM)
add_dependencies(deb qorn qorn-cli qorn_desktop_files)
