# The Windows Installer package: `cmake --build build-win --target msi` makes
# Tarvelin-<version>-win64.msi from resources/windows/Tarvelin.wxs and the portable folder
# Tarvelin-<version>-win64/ that scripts/windows/package.sh lays out in the build folder first, with
# Debian's wixl (msitools). The identity set at the top of CMakeLists.txt goes into it as it goes
# into the program.
if(NOT WIN32)
    return()
endif()
find_program(TARVELIN_WIXL wixl)
find_program(TARVELIN_WIXL_HEAT wixl-heat)
find_program(TARVELIN_MSIBUILD msibuild)
if(NOT TARVELIN_WIXL OR NOT TARVELIN_WIXL_HEAT OR NOT TARVELIN_MSIBUILD)
    message(STATUS "No MSI target: wixl, wixl-heat (package wixl) and msibuild (msitools) are not all installed")
    return()
endif()

set(wxs "${CMAKE_SOURCE_DIR}/resources/windows/Tarvelin.wxs")
set(name "${TARVELIN_PRODUCT_NAME}-${TARVELIN_VERSION_TEXT}-win64")
# One ProductCode per version: made from the UpgradeCode the WiX source fixes and the version.
file(STRINGS "${wxs}" upgrade_line REGEX "UpgradeCode=\"[0-9A-F-]+\"")
string(REGEX MATCH "[0-9A-F]+-[0-9A-F]+-[0-9A-F]+-[0-9A-F]+-[0-9A-F]+" upgrade_code "${upgrade_line}")
string(UUID product_code NAMESPACE "${upgrade_code}" NAME "${PROJECT_VERSION}" TYPE SHA1 UPPER)
# wixl finds files by paths relative to where it runs, not by absolute ones.
file(RELATIVE_PATH icon "${CMAKE_BINARY_DIR}" "${CMAKE_SOURCE_DIR}/resources/Tarvelin.ico")
file(RELATIVE_PATH wxs_relative "${CMAKE_BINARY_DIR}" "${wxs}")

add_custom_target(msi
    # Every file of the folder, as a fragment of components under INSTALLDIR (in a directory named
    # ".", which Windows Installer takes for its parent).
    COMMAND sh -c "cd '${name}' && find . -type f | LC_ALL=C sort | '${TARVELIN_WIXL_HEAT}' --prefix ./ \
--var var.SourceDir --directory-ref INSTALLDIR --component-group Archivos --win64 >../Archivos.wxs"
    COMMAND "${TARVELIN_WIXL}" --arch x64 --output "${name}.msi" -D Win64=yes
        -D "SourceDir=${name}" -D "ProductCode=${product_code}"
        -D "ProductName=${TARVELIN_PRODUCT_NAME}" -D "Manufacturer=${TARVELIN_COMPANY_NAME}"
        -D "Version=${PROJECT_VERSION}" -D "VersionText=${TARVELIN_VERSION_TEXT}"
        -D "Icon=${icon}"
        "${wxs_relative}" Archivos.wxs
    # What wixl 0.101 leaves out: the package's language in its summary (it writes 1033), and
    # IncludeMaximum in the Upgrade table (part of the key, so the row is written again).
    COMMAND "${TARVELIN_MSIBUILD}" "${name}.msi"
        -s "${TARVELIN_PRODUCT_NAME} ${TARVELIN_VERSION_TEXT}" "${TARVELIN_COMPANY_NAME}" "x64$<SEMICOLON>3082"
    COMMAND "${TARVELIN_MSIBUILD}" "${name}.msi" -q "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'VERSIONANTERIOR'"
    COMMAND "${TARVELIN_MSIBUILD}" "${name}.msi" -q "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, \
`VersionMax`, `Attributes`, `ActionProperty`) VALUES ('{${upgrade_code}}', '0.0.0', '${PROJECT_VERSION}', 768, \
'VERSIONANTERIOR')"
    WORKING_DIRECTORY "${CMAKE_BINARY_DIR}"
    VERBATIM)
