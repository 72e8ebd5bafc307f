# What `cmake --install` lays down. The program reads its profiles from the
# folder of its own executable, so the executable and the example profile share
# one folder and everything else only points at it (docs/packaging.md):
#
#   <prefix>/lib/tarvelin/Tarvelin                     the program folder
#   <prefix>/lib/tarvelin/tarvelin-cli                 the console program, with the same profiles
#   <prefix>/lib/tarvelin/Ejemplo.cfp.example          never listed: it does not end in .cfp
#   <prefix>/bin/Tarvelin -> ../lib/tarvelin/Tarvelin  launcher; Qt resolves the link, so the
#                                                      program folder stays lib/tarvelin
#   <prefix>/bin/tarvelin-cli -> ../lib/tarvelin/tarvelin-cli
#   <prefix>/share/applications/tarvelin.desktop
#   <prefix>/share/icons/hicolor/{16x16,32x32,48x48}/apps/tarvelin.png
#
# On Windows the prefix itself is the program folder; windeployqt adds Qt's DLLs.

if(WIN32)
    set(TARVELIN_PROGRAM_DIR ".")
else()
    set(TARVELIN_PROGRAM_DIR "lib/tarvelin")
endif()

install(TARGETS Tarvelin tarvelin-cli RUNTIME DESTINATION "${TARVELIN_PROGRAM_DIR}")
install(FILES "${CMAKE_SOURCE_DIR}/resources/Ejemplo.cfp.example" DESTINATION "${TARVELIN_PROGRAM_DIR}")

if(NOT WIN32)
    # A relative link, made in the build and installed as a link, holds under
    # DESTDIR and wherever the prefix is moved.
    set(TARVELIN_STAGING_DIR "${CMAKE_BINARY_DIR}/install-staging")
    file(MAKE_DIRECTORY "${TARVELIN_STAGING_DIR}")
    foreach(program Tarvelin tarvelin-cli)
        file(CREATE_LINK "../${TARVELIN_PROGRAM_DIR}/${program}" "${TARVELIN_STAGING_DIR}/${program}" SYMBOLIC)
        install(FILES "${TARVELIN_STAGING_DIR}/${program}" DESTINATION bin)
    endforeach()

    foreach(size 16 32 48)
        install(FILES "${CMAKE_SOURCE_DIR}/resources/tarvelin-${size}.png"
            DESTINATION "share/icons/hicolor/${size}x${size}/apps" RENAME tarvelin.png)
    endforeach()

    # The menu entry starts the program by its full path, which only the install
    # step knows (--prefix may change it); PATH need not hold <prefix>/bin then.
    set(TARVELIN_DESKTOP_SOURCE "${CMAKE_SOURCE_DIR}/resources/tarvelin.desktop")
    string(CONFIGURE [==[
        set(program "${CMAKE_INSTALL_PREFIX}/@TARVELIN_PROGRAM_DIR@/Tarvelin")
        # Characters the Exec key would need escaped twice over are refused rather than mangled.
        if(program MATCHES "[\"`$\\\\%\n]")
            message(FATAL_ERROR "The menu entry cannot name ${program}: choose a prefix without quotes, $, \\ or %")
        endif()
        if(program MATCHES " ")
            set(program "\"${program}\"")
        endif()
        file(READ "@TARVELIN_DESKTOP_SOURCE@" entry)
        string(REGEX REPLACE "\nExec=[^\n]*" "\nExec=${program}" entry "${entry}")
        file(WRITE "@TARVELIN_STAGING_DIR@/tarvelin.desktop" "${entry}")
        file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
            FILES "@TARVELIN_STAGING_DIR@/tarvelin.desktop")
    ]==] TARVELIN_DESKTOP_CODE @ONLY)
    install(CODE "${TARVELIN_DESKTOP_CODE}")
endif()
