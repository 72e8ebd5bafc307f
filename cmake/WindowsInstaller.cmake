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
if(NOT TARVELIN_WIXL OR NOT TARVELIN_WIXL_HEAT)
    message(STATUS "No MSI target: wixl and wixl-heat (package wixl) are not installed")
    return()
endif()

set(wxs "${CMAKE_SOURCE_DIR}/resources/windows/Tarvelin.wxs")
set(name "${TARVELIN_PRODUCT_NAME}-${TARVELIN_VERSION_TEXT}-win64")
# One ProductCode per version: made from the UpgradeCode the WiX source fixes and the version.
file(STRINGS "${wxs}" upgrade_line REGEX "UpgradeCode=\"[0-9A-F-]+\"")
string(REGEX MATCH "[0-9A-F]+-[0-9A-F]+-[0-9A-F]+-[0-9A-F]+-[0-9A-F]+" upgrade_code "${upgrade_line}")
string(UUID product_code NAMESPACE "${upgrade_code}" NAME "${PROJECT_VERSION}" TYPE SHA1 UPPER)

add_custom_target(msi
    # Every file of the folder, as a fragment of components under INSTALLDIR.
    COMMAND sh -c "find '${name}' -type f | LC_ALL=C sort | '${TARVELIN_WIXL_HEAT}' --prefix '${name}/' \
--var var.SourceDir --directory-ref INSTALLDIR --component-group Archivos --win64 >Archivos.wxs"
    COMMAND "${TARVELIN_WIXL}" --arch x64 --output "${name}.msi"
        -D "SourceDir=${CMAKE_BINARY_DIR}/${name}" -D "ProductCode=${product_code}"
        -D "ProductName=${TARVELIN_PRODUCT_NAME}" -D "Manufacturer=${TARVELIN_COMPANY_NAME}"
        -D "Version=${PROJECT_VERSION}" -D "VersionText=${TARVELIN_VERSION_TEXT}"
        -D "Icon=${CMAKE_SOURCE_DIR}/resources/Tarvelin.ico"
        "${wxs}" Archivos.wxs
    WORKING_DIRECTORY "${CMAKE_BINARY_DIR}"
    VERBATIM)
