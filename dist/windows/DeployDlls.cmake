# Install script: puts beside the programs every DLL that they and Qt's plugins import, found by
# following the imports through the Windows libraries' and the compiler's folders. Windows' own DLLs
# are on every machine and stay out. Set before it runs: VP_BINARIES (programs and plugins) and
# VP_DLL_DIRS.
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND x86_64-w64-mingw32-objdump)
file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES ${VP_BINARIES}
    RESOLVED_DEPENDENCIES_VAR dlls
    UNRESOLVED_DEPENDENCIES_VAR missing
    PRE_INCLUDE_REGEXES "^[Qq]t6" "^lib"
    PRE_EXCLUDE_REGEXES ".*"
    DIRECTORIES ${VP_DLL_DIRS})
if(missing)
    message(FATAL_ERROR "DLLs not found: ${missing}")
endif()
file(INSTALL ${dlls} DESTINATION ${CMAKE_INSTALL_PREFIX})
