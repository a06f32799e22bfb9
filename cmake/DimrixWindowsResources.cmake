# A Windows program's resources: its icon, packaging/windows/<program>.ico (drawn by
# scripts/make-icons.sh), and a version resource whose description is the program's
# summary (packaging/<program>.description.txt) and whose version is the project's.
# windres (CMAKE_RC_COMPILER) compiles the .rc made here from
# packaging/windows/program.rc.in.
#
# dimrix_windows_program(<target>) does this for one program target, and marks it
# with DIMRIX_WINDOWS_NAME, the name the Start Menu shows ("Dimrix Monitor"), which the
# Windows package reads. Elsewhere than on Windows it does nothing.

function(dimrix_windows_program target)
    if(NOT WIN32)
        return()
    endif()
    set(DIMRIX_RC_PROGRAM ${target})
    set(DIMRIX_RC_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/${target}.ico)
    if(NOT EXISTS ${DIMRIX_RC_ICON})
        message(FATAL_ERROR "${target}: no icon ${DIMRIX_RC_ICON}; scripts/make-icons.sh draws "
                            "it from resources/${target}.xpm")
    endif()
    dimrix_read_description(${target} _dimrix_rc)
    set(DIMRIX_RC_DESCRIPTION "${_dimrix_rc_SUMMARY_CAPITALISED}")
    set(version ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH} 0)
    list(JOIN version "," DIMRIX_RC_VERSION_COMMAS)

    set(rc ${CMAKE_CURRENT_BINARY_DIR}/generated/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    # windres reads the icon when it compiles the .rc; a new drawing rebuilds it.
    set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${DIMRIX_RC_ICON})

    # "dimrix-monitor" is "Dimrix Monitor" to a Windows user.
    string(REPLACE "-" ";" words ${target})
    set(name "")
    foreach(word IN LISTS words)
        string(SUBSTRING ${word} 0 1 first)
        string(SUBSTRING ${word} 1 -1 rest)
        string(TOUPPER ${first} first)
        list(APPEND name ${first}${rest})
    endforeach()
    list(JOIN name " " name)
    set_target_properties(${target} PROPERTIES DIMRIX_WINDOWS_NAME "${name}")
endfunction()
