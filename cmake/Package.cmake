# `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr makes
# tarvelin_<version>_amd64.deb of what cmake/Install.cmake lays down, plus the
# copyright and changelog files a Debian package carries (scripts/package-deb.sh).
if(WIN32)
    return()
endif()

set(CPACK_PACKAGE_NAME tarvelin)
set(CPACK_PACKAGE_VENDOR "${TARVELIN_COMPANY_NAME}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reconstruye los índices de un esquema de Oracle")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvelin reconstruye uno tras otro todos los índices de un esquema de una base\n"
    "de datos Oracle (ALTER INDEX ... REBUILD, en línea si se pide), a través de\n"
    "ODBC, con la conexión descrita por un perfil en la carpeta del programa,\n"
    "/usr/lib/tarvelin.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVELIN_COMPANY_NAME} <tarvelin@corvath.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries come from dpkg-shlibdeps; Qt loads its ODBC driver as a
# plugin and the driver loads unixODBC's driver manager, so nothing links them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libsecret is loaded when a profile names a stored password, so nothing links it either.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-odbc, unixodbc, libsecret-1-0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

# The copyright, changelog and manual page are the package's own, never part of
# a plain `cmake --install`: a component outside the default installation.
string(TIMESTAMP TARVELIN_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
set(TARVELIN_DEBIAN_DIR "${CMAKE_BINARY_DIR}/debian")
configure_file("${CMAKE_SOURCE_DIR}/resources/debian/changelog.in" "${TARVELIN_DEBIAN_DIR}/changelog" @ONLY)
configure_file("${CMAKE_SOURCE_DIR}/resources/debian/Tarvelin.1" "${TARVELIN_DEBIAN_DIR}/Tarvelin.1" @ONLY)
add_custom_command(OUTPUT "${TARVELIN_DEBIAN_DIR}/changelog.gz" "${TARVELIN_DEBIAN_DIR}/Tarvelin.1.gz"
    COMMAND gzip -9nkf "${TARVELIN_DEBIAN_DIR}/changelog" "${TARVELIN_DEBIAN_DIR}/Tarvelin.1"
    DEPENDS "${TARVELIN_DEBIAN_DIR}/changelog" "${TARVELIN_DEBIAN_DIR}/Tarvelin.1")
add_custom_target(debian_files ALL
    DEPENDS "${TARVELIN_DEBIAN_DIR}/changelog.gz" "${TARVELIN_DEBIAN_DIR}/Tarvelin.1.gz")
install(FILES "${CMAKE_SOURCE_DIR}/resources/debian/copyright" "${TARVELIN_DEBIAN_DIR}/changelog.gz"
    DESTINATION share/doc/tarvelin COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES "${TARVELIN_DEBIAN_DIR}/Tarvelin.1.gz" DESTINATION share/man/man1 COMPONENT debian EXCLUDE_FROM_ALL)
# The console program's page is the same one.
file(CREATE_LINK Tarvelin.1.gz "${TARVELIN_DEBIAN_DIR}/tarvelin-cli.1.gz" SYMBOLIC)
install(FILES "${TARVELIN_DEBIAN_DIR}/tarvelin-cli.1.gz" DESTINATION share/man/man1 COMPONENT debian EXCLUDE_FROM_ALL)

# One package holding the default component and the Debian files.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified debian)

include(CPack)
