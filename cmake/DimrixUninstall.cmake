# Removes exactly the files of the last install, as listed in its install_manifest.txt,
# then the manifest itself. The manifest holds the paths without DESTDIR: an install into
# a staging directory is removed with the same DESTDIR in the environment. Directories
# are left, except the program's own documentation folder once it is empty: a shared one
# such as share/man/man1 may have been there before.
#
#   [DESTDIR=...] cmake -DMANIFEST=<build>/install_manifest.txt -P DimrixUninstall.cmake

if(NOT DEFINED MANIFEST)
    message(FATAL_ERROR "DimrixUninstall.cmake: pass -DMANIFEST=<build>/install_manifest.txt")
endif()
if(NOT EXISTS ${MANIFEST})
    message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} does not exist "
                        "(it is written by 'make install')")
endif()

file(STRINGS ${MANIFEST} installed)
set(docdirs "")
foreach(listed IN LISTS installed)
    set(path "$ENV{DESTDIR}${listed}")
    if(IS_SYMLINK "${path}" OR EXISTS "${path}")
        message(STATUS "Removing ${path}")
        file(REMOVE "${path}")
        if(EXISTS "${path}")
            message(FATAL_ERROR "Could not remove ${path}")
        endif()
    else()
        message(STATUS "Already gone: ${path}")
    endif()
    get_filename_component(dir "${path}" DIRECTORY)
    if(dir MATCHES "/share/doc/dimrix$")
        list(APPEND docdirs "${dir}")
    endif()
endforeach()
list(REMOVE_DUPLICATES docdirs)
foreach(dir IN LISTS docdirs)
    file(GLOB left "${dir}/*")
    if(EXISTS "${dir}" AND NOT left)
        file(REMOVE_RECURSE "${dir}")
    endif()
endforeach()
file(REMOVE ${MANIFEST})
