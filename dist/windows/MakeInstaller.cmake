# Stages the program's folder by the install rules and makes the installer of it. The installer's
# file lists are written from the staged folder, so that the uninstaller removes exactly what was
# installed and nothing a user put beside it.
#   cmake -DBUILD=<build> -DSTAGE=<folder> -DSCRIPT=<installer.nsi> -DMAKENSIS=<makensis>
#         -DOUTPUT=<setup.exe> -P MakeInstaller.cmake
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE} --strip
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
set(install_lines)
set(uninstall_lines)
set(dirs)
foreach(file IN LISTS files)
    get_filename_component(dir ${file} DIRECTORY)
    string(REPLACE "/" "\\" dir_win "${dir}")
    string(REPLACE "/" "\\" file_win "${file}")
    string(APPEND install_lines "SetOutPath \"$INSTDIR\\${dir_win}\"\nFile \"${STAGE}/${file}\"\n")
    string(APPEND uninstall_lines "Delete \"$INSTDIR\\${file_win}\"\n")
    while(dir)
        list(APPEND dirs ${dir})
        get_filename_component(dir ${dir} DIRECTORY)
    endwhile()
endforeach()
# Deepest folders first, so that each is empty when it is removed.
list(REMOVE_DUPLICATES dirs)
list(SORT dirs ORDER DESCENDING)
foreach(dir IN LISTS dirs)
    string(REPLACE "/" "\\" dir_win "${dir}")
    string(APPEND uninstall_lines "RMDir \"$INSTDIR\\${dir_win}\"\n")
endforeach()
get_filename_component(lists ${SCRIPT} DIRECTORY)
file(WRITE ${lists}/install-files.nsh "${install_lines}")
file(WRITE ${lists}/uninstall-files.nsh "${uninstall_lines}")

get_filename_component(output_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_dir})
execute_process(COMMAND ${MAKENSIS} -V2 -DOUTPUT=${OUTPUT} ${SCRIPT} COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Installer: ${OUTPUT}")
