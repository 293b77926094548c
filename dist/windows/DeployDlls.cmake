# Install script: puts beside the programs every DLL that they and Qt's plugins import, found by
# following the imports through the Windows libraries' and the compiler's folders. Windows' own DLLs
# are on every machine and stay out. Set before it runs: VP_BINARIES (programs and plugins) and
# VP_DLL_DIRS.
cmake_policy(PUSH)
cmake_policy(SET CMP0057 NEW) # IN_LIST
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND x86_64-w64-mingw32-objdump)

# Windows names DLLs in any case and CMake asks for them in lower case; the folders here are
# case-sensitive ("libFLAC.dll"): each unresolved name is looked up ignoring case, and its own imports
# followed in the next round.
set(dlls)
set(scan ${VP_BINARIES})
while(scan)
    file(GET_RUNTIME_DEPENDENCIES
        EXECUTABLES ${scan}
        RESOLVED_DEPENDENCIES_VAR found
        UNRESOLVED_DEPENDENCIES_VAR missing
        PRE_INCLUDE_REGEXES "^[Qq]t6" "^lib"
        PRE_EXCLUDE_REGEXES ".*"
        DIRECTORIES ${VP_DLL_DIRS})
    list(APPEND dlls ${found})
    set(scan)
    foreach(name IN LISTS missing)
        set(match)
        foreach(dir IN LISTS VP_DLL_DIRS)
            file(GLOB candidates ${dir}/*.dll)
            foreach(candidate IN LISTS candidates)
                get_filename_component(file ${candidate} NAME)
                string(TOLOWER "${file}" lower)
                if(lower STREQUAL name AND NOT match)
                    set(match ${candidate})
                endif()
            endforeach()
        endforeach()
        if(NOT match)
            message(FATAL_ERROR "DLL not found: ${name}")
        endif()
        if(NOT match IN_LIST dlls)
            list(APPEND dlls ${match})
            list(APPEND scan ${match})
        endif()
    endforeach()
endwhile()
list(REMOVE_DUPLICATES dlls)
file(INSTALL ${dlls} DESTINATION ${CMAKE_INSTALL_PREFIX})
cmake_policy(POP)
