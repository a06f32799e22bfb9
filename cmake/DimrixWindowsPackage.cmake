# What a Windows build ships, made by the target dimrix_package_windows (`make
# package-windows`) in <build>/package/:
#   dimrix-<version>-windows-x64/            the folder an install holds
#   dimrix-<version>-windows-x64.zip         the same folder, to unpack anywhere
#   dimrix-<version>-windows-x64-setup.exe   its NSIS installer
#
# The programs are every executable target under src/, found here rather than listed,
# and each must have been through dimrix_windows_program(): a new program can neither be
# left out of the package nor shipped without its icon and version. The folder holds
# them, the Qt plugins below, every DLL those import that Windows lacks
# (scripts/windows-deploy.sh follows the imports), and the texts.

include(DimrixWindowsRuntime)

# What Qt loads by name rather than by import: the window system, and the native style.
set(DIMRIX_WINDOWS_QT_PLUGINS platforms/qwindows.dll styles/qwindowsvistastyle.dll)

function(_dimrix_programs_under dir out_var)
    set(found ${${out_var}})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            list(APPEND found ${target})
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir IN LISTS subdirs)
        _dimrix_programs_under(${subdir} found)
    endforeach()
    set(${out_var} ${found} PARENT_SCOPE)
endfunction()

set(DIMRIX_PROGRAMS "")
_dimrix_programs_under(${PROJECT_SOURCE_DIR}/src DIMRIX_PROGRAMS)
list(SORT DIMRIX_PROGRAMS)
# The panel names the product: its icon is the one Apps & features shows.
set(DIMRIX_MAIN_PROGRAM dimrix)
if(NOT DIMRIX_MAIN_PROGRAM IN_LIST DIMRIX_PROGRAMS)
    message(FATAL_ERROR "The Windows package needs the program ${DIMRIX_MAIN_PROGRAM}")
endif()

set(_dimrix_win_src ${PROJECT_SOURCE_DIR}/packaging/windows)
set(_dimrix_win_out ${PROJECT_BINARY_DIR}/packaging/windows)
set(DIMRIX_PACKAGE_NAME dimrix-${PROJECT_VERSION}-windows-x64)
set(DIMRIX_PACKAGE_DIR ${PROJECT_BINARY_DIR}/package)
set(_dimrix_folder ${DIMRIX_PACKAGE_DIR}/${DIMRIX_PACKAGE_NAME})
set(DIMRIX_SETUP ${DIMRIX_PACKAGE_DIR}/${DIMRIX_PACKAGE_NAME}-setup.exe)
set(DIMRIX_ICON ${_dimrix_win_src}/${DIMRIX_MAIN_PROGRAM}.ico)
set(DIMRIX_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)

# Per program: its place in the README, its Start Menu entry, and its file.
set(DIMRIX_README_PROGRAMS "")
set(DIMRIX_NSIS_SHORTCUTS "")
set(DIMRIX_NSIS_SHORTCUTS_REMOVE "")
set(_dimrix_program_files "")
foreach(program IN LISTS DIMRIX_PROGRAMS)
    get_target_property(name ${program} DIMRIX_WINDOWS_NAME)
    if(NOT name)
        message(FATAL_ERROR "${program} is a program of the Windows build, but has no icon or "
                            "version: call dimrix_windows_program(${program}) beside it")
    endif()
    dimrix_read_description(${program} _dimrix_program)
    string(APPEND DIMRIX_README_PROGRAMS "  ${program}.exe: ${_dimrix_program_SUMMARY}\n")
    # A console program (the bridge) needs its arguments: it has no Start Menu entry.
    get_target_property(window ${program} WIN32_EXECUTABLE)
    if(window)
        string(APPEND DIMRIX_NSIS_SHORTCUTS
               "    CreateShortCut \"$SMPROGRAMS\\${name}.lnk\" \"$INSTDIR\\${program}.exe\"\n")
        string(APPEND DIMRIX_NSIS_SHORTCUTS_REMOVE "    Delete \"$SMPROGRAMS\\${name}.lnk\"\n")
    endif()
    list(APPEND _dimrix_program_files $<TARGET_FILE:${program}>)
endforeach()
string(STRIP "${DIMRIX_README_PROGRAMS}" DIMRIX_README_PROGRAMS)
set(DIMRIX_README_PROGRAMS "  ${DIMRIX_README_PROGRAMS}")
string(LENGTH "${PROJECT_NAME} ${PROJECT_VERSION} for Windows (64-bit)" _dimrix_title_length)
string(REPEAT "=" ${_dimrix_title_length} DIMRIX_README_RULE)

configure_file(${_dimrix_win_src}/README.txt.in ${_dimrix_win_out}/README.txt @ONLY)
configure_file(${_dimrix_win_src}/THIRD-PARTY.txt.in ${_dimrix_win_out}/THIRD-PARTY.txt @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${_dimrix_win_out}/LICENSE.txt COPYONLY)
configure_file(${_dimrix_win_src}/installer.nsi.in ${_dimrix_win_out}/installer.nsi @ONLY)
# Qt's licence and the one it builds on, as Debian ships them.
set(_dimrix_docs ${_dimrix_win_out}/README.txt ${_dimrix_win_out}/LICENSE.txt
    ${_dimrix_win_out}/THIRD-PARTY.txt)
foreach(licence LGPL-3 GPL-3)
    configure_file(/usr/share/common-licenses/${licence} ${_dimrix_win_out}/${licence}.txt COPYONLY)
    list(APPEND _dimrix_docs ${_dimrix_win_out}/${licence}.txt)
endforeach()

set(_dimrix_deploy bash ${PROJECT_SOURCE_DIR}/scripts/windows-deploy.sh assemble
    --dest ${_dimrix_folder} --plugins ${DIMRIX_WINDOWS_QT_PREFIX}/plugins)
foreach(dir IN LISTS DIMRIX_WINDOWS_DLL_DIRS)
    list(APPEND _dimrix_deploy --dlls ${dir})
endforeach()
foreach(plugin IN LISTS DIMRIX_WINDOWS_QT_PLUGINS)
    list(APPEND _dimrix_deploy --plugin ${plugin})
endforeach()
foreach(doc IN LISTS _dimrix_docs)
    list(APPEND _dimrix_deploy --doc ${doc})
endforeach()

set(_dimrix_files_nsh ${_dimrix_win_out}/files.nsh)
add_custom_target(dimrix_package_windows
    COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP} STRIP=${CMAKE_STRIP}
            ${_dimrix_deploy} -- ${_dimrix_program_files}
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${_dimrix_folder} -DOUTPUT=${_dimrix_files_nsh}
            -P ${PROJECT_SOURCE_DIR}/cmake/DimrixNsisFiles.cmake
    COMMAND ${CMAKE_COMMAND} -E rm -f ${DIMRIX_PACKAGE_NAME}.zip ${DIMRIX_SETUP}
    # -X: no Unix owners or extra time stamps in the archive.
    COMMAND zip -q -r -X ${DIMRIX_PACKAGE_NAME}.zip ${DIMRIX_PACKAGE_NAME}
    COMMAND makensis -V2 -DDIMRIX_FILES=${_dimrix_files_nsh} ${_dimrix_win_out}/installer.nsi
    COMMAND ${CMAKE_COMMAND} -E echo "Windows package in ${DIMRIX_PACKAGE_DIR}:"
    COMMAND ls -l ${DIMRIX_PACKAGE_NAME}.zip ${DIMRIX_SETUP}
    WORKING_DIRECTORY ${DIMRIX_PACKAGE_DIR}
    COMMENT "Packaging ${DIMRIX_PROGRAMS} for Windows"
    VERBATIM)
add_dependencies(dimrix_package_windows ${DIMRIX_PROGRAMS})
file(MAKE_DIRECTORY ${DIMRIX_PACKAGE_DIR})

# For the check of what ships (tests/wine/package-under-wine.sh): the programs the build
# has, the package's files, and the folder's place under Program Files.
list(JOIN DIMRIX_PROGRAMS " " _dimrix_programs_line)
file(WRITE ${DIMRIX_PACKAGE_DIR}/package.env
     "programs='${_dimrix_programs_line}'\n"
     "setup='${DIMRIX_SETUP}'\n"
     "zip='${DIMRIX_PACKAGE_DIR}/${DIMRIX_PACKAGE_NAME}.zip'\n"
     "folder='${_dimrix_folder}'\n"
     "product='${PROJECT_NAME}'\n"
     "version='${PROJECT_VERSION}'\n"
     "publisher='${DIMRIX_PUBLISHER}'\n")
foreach(program IN LISTS DIMRIX_PROGRAMS)
    get_target_property(name ${program} DIMRIX_WINDOWS_NAME)
    get_target_property(window ${program} WIN32_EXECUTABLE)
    string(REPLACE "-" "_" variable ${program})
    if(NOT window)
        set(name "")
    endif()
    file(APPEND ${DIMRIX_PACKAGE_DIR}/package.env "shortcut_${variable}='${name}'\n")
endforeach()
