# `make package`: a Debian package of what `cmake --install` lays out, under /usr.
# Debian's Maintainer field and changelog must give an address beside the name. The project has
# no mailbox of its own: the default is the no-reply address of the GitHub account its app ID
# names, which takes no mail; whoever builds the package for a distribution gives theirs.
set(QORN_MAINTAINER "Qorn developers <qorn-parser@users.noreply.github.com>" CACHE STRING
  "The package's maintainer, as Debian writes it: Name <address>")

# Debian's changelog of a package without a separate packaging revision.
execute_process(COMMAND date -u -R -d ${QORN_RELEASE_DATE}
  OUTPUT_VARIABLE QORN_RELEASE_DATE_RFC OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
execute_process(COMMAND gzip -9 -n -f ${CMAKE_BINARY_DIR}/packaging/changelog COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qorn)
# The licence, in Debian's machine-readable form.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qorn)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Qorn developers")
set(CPACK_PACKAGE_CONTACT ${QORN_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "damage meter for an EverQuest necromancer's log")
# The long description as Debian shows it: lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Qorn reads the plain-text log of an EverQuest necromancer and picks out the"
  "damage that the character and its pets did (DoT ticks, direct damage, pet and"
  "swarm-pet hits), the spell casts with their resists, fizzles and interrupts,"
  "and three short damage buffs. It keeps them in a local database, cuts them"
  "into fights and shows lists, bar graphs and a statistics table per fight,"
  "exported as CSV or HTML. qorn-cli prints the same lists without a window.")
# A tool beside a game, not a game (those live in /usr/games).
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The dependencies are the packages of the Qt and SQLite libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# Builds only what the package holds (not the tests), then the package: cpack itself builds
# nothing once `install` no longer depends on every target.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  VERBATIM)
add_dependencies(deb qorn qorn-cli qorn_desktop_files)
