# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-x86-64-posix). The posix-thread compilers, because Qt's
# threads and std::thread need winpthreads; the win32-thread ones lack them.
#
# Used both for Qt itself (scripts/windows/build-qt.sh) and for Tarvelin
# (scripts/windows/package.sh), which also passes the Windows Qt in
# CMAKE_PREFIX_PATH and the host's Qt tools in QT_HOST_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARVELIN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVELIN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVELIN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVELIN_MINGW}-windres)

# Headers and libraries only from the MinGW tree (and what the caller adds,
# e.g. the Windows Qt); programs such as moc come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TARVELIN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the cross-built suites under Wine (Debian's wine64) through this script.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND EXISTS /usr/lib/wine/wine64)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-test.sh")
endif()
