# Cross-build for 64-bit Windows with Debian's mingw-w64 (the posix thread model, for std::thread).
# Qt and the audio libraries come from VP_WINDOWS_PREFIX, where scripts/build-windows-deps builds them;
# programs use the compiler's runtime DLLs as those libraries do, and the install rules deploy them.
# Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(VP_WINDOWS_PREFIX "" CACHE PATH "Windows builds of Qt and the audio libraries")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VP_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VP_WINDOWS_PREFIX})
set(CMAKE_PREFIX_PATH ${VP_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config answers for the Windows libraries only, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} ${VP_WINDOWS_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
# Qt's tools (moc, rcc, uic) are the host's.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# Debian's wine64 package has no wrapper in PATH; the loader lives here.
find_program(VP_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VP_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine ${VP_WINE})
endif()
