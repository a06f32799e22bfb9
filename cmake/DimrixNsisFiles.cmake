# Run by the Windows package target (cmake -P): writes the NSIS include that lists the
# folder's files, for the installer to install and its uninstaller to remove the same
# ones, and the size an install takes.
#
#   cmake -DFOLDER=<package folder> -DOUTPUT=<file.nsh> -P DimrixNsisFiles.cmake

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${FOLDER} ${FOLDER}/*)
list(SORT files)
set(install "!macro DIMRIX_INSTALL_FILES\n")
set(remove "!macro DIMRIX_REMOVE_FILES\n")
set(dirs "")
set(bytes 0)
set(last_dir "-")
foreach(file IN LISTS files)
    cmake_path(GET file PARENT_PATH dir)
    if(NOT dir STREQUAL last_dir)
        string(REPLACE "/" "\\" windows_dir "${dir}")
        if(dir STREQUAL "")
            string(APPEND install "    SetOutPath \"$INSTDIR\"\n")
        else()
            string(APPEND install "    SetOutPath \"$INSTDIR\\${windows_dir}\"\n")
            list(APPEND dirs "${windows_dir}")
        endif()
        set(last_dir "${dir}")
    endif()
    string(APPEND install "    File \"${FOLDER}/${file}\"\n")
    string(REPLACE "/" "\\" windows_file "${file}")
    string(APPEND remove "    Delete \"$INSTDIR\\${windows_file}\"\n")
    file(SIZE ${FOLDER}/${file} size)
    math(EXPR bytes "${bytes} + ${size}")
endforeach()
# Deepest first, so each is empty when its turn comes.
list(REMOVE_DUPLICATES dirs)
list(SORT dirs ORDER DESCENDING)
foreach(dir IN LISTS dirs)
    string(APPEND remove "    RMDir \"$INSTDIR\\${dir}\"\n")
endforeach()
math(EXPR kilobytes "(${bytes} + 1023) / 1024")
file(WRITE ${OUTPUT} "${install}!macroend\n\n${remove}!macroend\n\n"
                     "; Apps & features shows it; in KB.\n"
                     "!define DIMRIX_INSTALLED_KB ${kilobytes}\n")
