# What ships. Windows: the program and the command line, staged by `cmake --install` for the installer
# (installer/brisvane.nsi) and the portable zip. Linux: brisvane-check and reputation-server as two Debian
# packages made by CPack. scripts/package.sh drives both; the version is the project's, read from here.
set(BRISVANE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
file(WRITE ${CMAKE_BINARY_DIR}/brisvane-version.txt "${PROJECT_VERSION}\n")

if(WIN32)
  # A Windows reader opens text files with Notepad, which wants CRLF on older systems.
  configure_file(${PROJECT_SOURCE_DIR}/README.md ${CMAKE_BINARY_DIR}/package/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS Brisvane brisvane-check RUNTIME DESTINATION .)
  install(FILES ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/LICENSE.txt DESTINATION .)
  if(BRISVANE_TESTS)
    add_subdirectory(${PROJECT_SOURCE_DIR}/tests/package ${CMAKE_BINARY_DIR}/tests/package)
  endif()
  return()
endif()

# --- Debian packages ---------------------------------------------------------------------------------
set(BRISVANE_MAINTAINER "Kestrelwick <brisvane@kestrelwick.com>")
set(BRISVANE_PACKAGES brisvane-check reputation-server)

# Manual pages and the changelog go in gzipped without a timestamp, as Debian wants them.
string(TIMESTAMP BRISVANE_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${BRISVANE_PACKAGING_DIR}/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
set(BRISVANE_GZIPPED)
foreach(source brisvane-check.1 reputation-server.1 ${CMAKE_BINARY_DIR}/package/changelog)
  get_filename_component(source ${source} ABSOLUTE BASE_DIR ${BRISVANE_PACKAGING_DIR})
  get_filename_component(name ${source} NAME)
  set(gz ${CMAKE_BINARY_DIR}/package/${name}.gz)
  add_custom_command(OUTPUT ${gz} COMMAND gzip -9nc ${source} > ${gz} DEPENDS ${source})
  list(APPEND BRISVANE_GZIPPED ${gz})
endforeach()
add_custom_target(brisvane_package_docs ALL DEPENDS ${BRISVANE_GZIPPED})

foreach(package ${BRISVANE_PACKAGES})
  install(TARGETS ${package} RUNTIME DESTINATION bin COMPONENT ${package})
  install(FILES ${CMAKE_BINARY_DIR}/package/${package}.1.gz DESTINATION share/man/man1 COMPONENT ${package})
  install(FILES ${BRISVANE_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz
          DESTINATION share/doc/${package} COMPONENT ${package})
endforeach()
# The service: its unit, and its settings where an operator looks for them (kept across upgrades).
install(FILES ${BRISVANE_PACKAGING_DIR}/reputation-server.service DESTINATION /lib/systemd/system
        COMPONENT reputation-server)
install(FILES ${BRISVANE_PACKAGING_DIR}/reputation-server.default DESTINATION /etc/default
        RENAME reputation-server COMPONENT reputation-server)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisvane)
set(CPACK_PACKAGE_VENDOR Kestrelwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${BRISVANE_PACKAGES})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BRISVANE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SOURCE brisvane)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE http://www.kestrelwick.com)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Runtime dependencies follow whatever the binaries link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_BRISVANE-CHECK_PACKAGE_NAME brisvane-check)
set(CPACK_DEBIAN_BRISVANE-CHECK_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_BRISVANE-CHECK_DESCRIPTION "check a torrent's reputation before opening it
brisvane-check prints the info-hash of torrent files (like sha1sum) and asks a
reputation web service how each torrent is rated (VERIFIED, GOOD, NONE,
NOTFOUND, BAD or FAKE), deciding from the ratings you allow whether it would
be opened. It is the command-line companion of Brisvane for Windows.")

set(CPACK_DEBIAN_REPUTATION-SERVER_PACKAGE_NAME reputation-server)
set(CPACK_DEBIAN_REPUTATION-SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_REPUTATION-SERVER_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_REPUTATION-SERVER_DESCRIPTION "torrent reputation service for Brisvane
reputation-server answers the lookups Brisvane and brisvane-check make: given
a torrent's info-hash it replies with one rating word. Ratings are kept in an
SQLite database, imported from CSV files or set one by one. The package runs
it as a systemd service under its own user, on 127.0.0.1:8080 by default.")
set(CPACK_DEBIAN_REPUTATION-SERVER_PACKAGE_CONTROL_EXTRA
    ${BRISVANE_PACKAGING_DIR}/reputation-server/conffiles ${BRISVANE_PACKAGING_DIR}/reputation-server/postinst
    ${BRISVANE_PACKAGING_DIR}/reputation-server/prerm ${BRISVANE_PACKAGING_DIR}/reputation-server/postrm)
include(CPack)
