# The Debian package: `make deb` configures a build for /usr and runs
# `cpack -G DEB` in it; `make check-deb` (scripts/check-deb.sh) checks the
# result. Included from the top-level CMakeLists.txt after the install rules.

set(SFP_APPSTREAM_ID "org.example.tsx4410sfp" CACHE STRING
    "AppStream component id: the publisher's domain reversed, then the program")
set(SFP_HOMEPAGE_URL "https://tsx4410-sfp.example.org" CACHE STRING
    "Where the program is published; its README pictures are under docs/images/ there")
set(SFP_MAINTAINER "TSX4410 SFP maintainers <tsx4410-sfp@example.org>" CACHE STRING
    "Maintainer named in the package")

# The release date is that of the last change to the version, so every build
# of one version carries the same date; outside a git checkout, today.
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(
    COMMAND ${GIT_EXECUTABLE} log -1 --format=%cs%n%cD -- resources/version.h
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE sfp_release OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REPLACE "\n" ";" sfp_release "${sfp_release}")
endif()
list(LENGTH sfp_release sfp_release_fields)
if(sfp_release_fields EQUAL 2)
  list(GET sfp_release 0 SFP_RELEASE_DATE)
  list(GET sfp_release 1 SFP_RELEASE_DATE_RFC2822)
  execute_process(
    COMMAND ${GIT_EXECUTABLE} log --reverse --format=%cs
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE sfp_first_commit ERROR_QUIET)
  string(SUBSTRING "${sfp_first_commit}" 0 4 SFP_FIRST_YEAR)
else()
  string(TIMESTAMP SFP_RELEASE_DATE "%Y-%m-%d" UTC)
  string(TIMESTAMP SFP_RELEASE_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()

string(SUBSTRING "${SFP_RELEASE_DATE}" 0 4 SFP_RELEASE_YEAR)
if(NOT SFP_FIRST_YEAR OR SFP_FIRST_YEAR STREQUAL SFP_RELEASE_YEAR)
  set(SFP_COPYRIGHT_YEARS ${SFP_RELEASE_YEAR})
else()
  set(SFP_COPYRIGHT_YEARS ${SFP_FIRST_YEAR}-${SFP_RELEASE_YEAR})
endif()

# Manual page, software-centre entry, copyright and changelog, with the version filled
# in; the page and the changelog compressed as Debian wants them (no name or
# time stamp in the gzip header).
set(sfp_pkg ${CMAKE_BINARY_DIR}/pkg)
set(sfp_metainfo ${sfp_pkg}/${SFP_APPSTREAM_ID}.metainfo.xml)
configure_file(${CMAKE_SOURCE_DIR}/docs/tsx4410sfp.1.in ${sfp_pkg}/tsx4410sfp.1 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/docs/tsx4410sfp-sim.1.in ${sfp_pkg}/tsx4410sfp-sim.1 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${sfp_pkg}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright.in ${sfp_pkg}/copyright @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/desktop/tsx4410-sfp.metainfo.xml.in ${sfp_metainfo} @ONLY)
set(sfp_pages ${sfp_pkg}/tsx4410sfp.1.gz ${sfp_pkg}/tsx4410sfp-sim.1.gz)
add_custom_command(OUTPUT ${sfp_pages} ${sfp_pkg}/changelog.gz
  COMMAND gzip -9nkf tsx4410sfp.1 tsx4410sfp-sim.1 changelog
  DEPENDS ${sfp_pkg}/tsx4410sfp.1 ${sfp_pkg}/tsx4410sfp-sim.1 ${sfp_pkg}/changelog
  WORKING_DIRECTORY ${sfp_pkg} VERBATIM)
add_custom_target(sfp_package_docs ALL DEPENDS ${sfp_pages} ${sfp_pkg}/changelog.gz)

install(FILES ${sfp_pages} DESTINATION share/man/man1)
install(FILES ${sfp_metainfo} DESTINATION share/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/tsx4410-sfp.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${sfp_pkg}/copyright ${sfp_pkg}/changelog.gz
        DESTINATION share/doc/tsx4410-sfp)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tsx4410-sfp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${SFP_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "soft front panel for the TSX4410 RS-232 module")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop panel for the TSX4410, a four-channel RS-232 serial M-Module in a
VXI or GPIB-VXI instrument, reached through the VISA library and the module's
driver library. It shows the instrument's slot, resource and state, the four
channels with their line settings, lamps and text boxes, runs a loop test, and
gives the channels' settings, the status byte and error queue, reset and self
test. Without an instrument it works as a non-live panel where each channel
loops back what it sends.
.
Stand-ins for both instrument libraries over a simulated bench are installed
in /usr/lib/tsx4410-sfp/sim, off the default library path. tsx4410sfp-sim
starts the panel on them with its channels on this PC's serial ports (USB
adapters, built-in ports, pseudo-terminals), after checking every port.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SFP_HOMEPAGE_URL})
# The program asks fontconfig for Arial, which Liberation Sans stands in for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
# Library dependencies from dpkg-shlibdeps; the driver stand-in's need of the
# VISA stand-in is met inside the package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/lib/tsx4410-sfp/sim)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_STRIP_FILES OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/strip.cmake)
# Install with DESTDIR, so the desktop entry names the final paths.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
