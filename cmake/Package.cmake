# The Debian package of the program: `cpack -G DEB` in the build folder
# (scripts/package.sh) makes zsn7adj_<version>_amd64.deb from the install
# rules, installed under /usr, with the runtime dependencies found by
# dpkg-shlibdeps. Besides the program, its desktop entry, icons and sample
# constants (CMakeLists.txt) it holds the AppStream metadata, the manual page
# and the package's copyright and changelog.
include(GNUInstallDirs)

set(ZS_PACKAGE_CONTACT "ZS-N7 ADJ developers <zsn7adj@example.org>"
  CACHE STRING "Maintainer named in the Debian package")
set(ZS_SCREENSHOT_BASE_URL "https://example.org/zsn7adj"
  CACHE STRING "Web address under which the pictures of docs/ are published (AppStream screenshots)")

configure_file(${CMAKE_SOURCE_DIR}/resources/zsn7adj.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/package/zsn7adj.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)

# Debian keeps manual pages and changelogs compressed with gzip -9n (no file
# name or time stamp inside, so the same sources give the same package).
set(ZS_GZIPPED)
foreach(pair "${CMAKE_SOURCE_DIR}/resources/zsn7adj.1|zsn7adj.1.gz"
             "${CMAKE_BINARY_DIR}/package/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 in)
  list(GET pair 1 out)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/${out}
    COMMAND sh -c "gzip -9n -c '${in}' > '${CMAKE_BINARY_DIR}/package/${out}'"
    DEPENDS ${in} VERBATIM)
  list(APPEND ZS_GZIPPED ${CMAKE_BINARY_DIR}/package/${out})
endforeach()
add_custom_target(zs_package_files ALL DEPENDS ${ZS_GZIPPED})

install(FILES ${CMAKE_BINARY_DIR}/package/zsn7adj.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/package/zsn7adj.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/resources/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zsn7adj)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zsn7adj)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZS_PACKAGE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service and adjustment utility for the ZT-N7 transceiver")
# The extended description; CPack puts the summary before it as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"ZS-N7 ADJ talks to a ZT-N7 land-mobile transceiver through its cloning
cable on a serial port. It identifies the radio, reads its EEPROM image and
shows an adjustment console whose values are sent to the radio at once.
It runs the guided calibration procedures (transmit-frequency temperature
compensation, S-meter points, band-pass filter), and shows the radio's
measurement read-outs and a listing of its stored adjustment parameters.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
