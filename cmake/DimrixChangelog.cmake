# Reads CHANGELOG.md, the one hand-written history, and derives from it:
#   DIMRIX_RELEASE_DATE       date of the newest release (yyyy-mm-dd)
#   DIMRIX_METAINFO_RELEASES  the <release> elements of the AppStream metainfo
#   <build>/packaging/changelog  the Debian changelog of the package
# The newest release must be PROJECT_VERSION, so one version number feeds them all.

set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md _dimrix_changelog)
# CMake lists are ;-separated: keep a literal semicolon out of the way while splitting.
string(REPLACE ";" "<semicolon>" _dimrix_changelog "${_dimrix_changelog}")
string(REPLACE "\n" ";" _dimrix_changelog_lines "${_dimrix_changelog}")

# Debian wants the day of the week in its dates: Zeller's congruence, 0 = Saturday.
# `hour` orders releases made on the same day, since Debian wants each entry dated after
# the one before it.
function(_dimrix_debian_date iso hour out_var)
    string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" parts "${iso}")
    math(EXPR year "${CMAKE_MATCH_1}")
    math(EXPR month "${CMAKE_MATCH_2}")
    math(EXPR day "${CMAKE_MATCH_3}")
    set(y ${year})
    set(m ${month})
    if(m LESS 3)
        math(EXPR m "${m} + 12")
        math(EXPR y "${y} - 1")
    endif()
    math(EXPR weekday "(${day} + (13 * (${m} + 1)) / 5 + ${y} % 100 + (${y} % 100) / 4 + (${y} / 100) / 4 + 5 * (${y} / 100)) % 7")
    set(weekdays Sat Sun Mon Tue Wed Thu Fri)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET weekdays ${weekday} weekday_name)
    math(EXPR month_index "${month} - 1")
    list(GET months ${month_index} month_name)
    if(day LESS 10)
        set(day "0${day}")
    endif()
    if(hour LESS 10)
        set(hour "0${hour}")
    endif()
    set(${out_var} "${weekday_name}, ${day} ${month_name} ${year} ${hour}:00:00 +0000" PARENT_SCOPE)
endfunction()

function(_dimrix_xml_escape text out_var)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

set(_dimrix_debian "")
set(_dimrix_releases "")
set(_dimrix_version "")
set(_dimrix_item "")
set(_dimrix_items "")

# Items are gathered whole (continuation lines joined) and written out when the next
# item, release or the end of the file comes.
macro(_dimrix_end_item)
    if(NOT _dimrix_item STREQUAL "")
        list(APPEND _dimrix_items "${_dimrix_item}")
        set(_dimrix_item "")
    endif()
endmacro()

macro(_dimrix_end_release)
    _dimrix_end_item()
    if(NOT _dimrix_version STREQUAL "")
        # Newest first: the newest of a day's releases is the day's last hour among them.
        math(EXPR _dimrix_on_${_dimrix_date} "${_dimrix_on_${_dimrix_date}} - 1")
        _dimrix_debian_date(${_dimrix_date} ${_dimrix_on_${_dimrix_date}} _dimrix_stamp)
        string(APPEND _dimrix_debian "dimrix (${_dimrix_version}) unstable; urgency=medium\n\n")
        set(_dimrix_lis "")
        foreach(_dimrix_text IN LISTS _dimrix_items)
            string(REPLACE "<semicolon>" ";" _dimrix_text "${_dimrix_text}")
            string(REPLACE "\n" "\n    " _dimrix_wrapped "${_dimrix_text}")
            string(APPEND _dimrix_debian "  * ${_dimrix_wrapped}\n")
            string(REPLACE "\n" " " _dimrix_flat "${_dimrix_text}")
            _dimrix_xml_escape("${_dimrix_flat}" _dimrix_flat)
            string(APPEND _dimrix_lis "\n          <li>${_dimrix_flat}</li>")
        endforeach()
        string(APPEND _dimrix_debian "\n -- ${DIMRIX_MAINTAINER}  ${_dimrix_stamp}\n\n")
        string(APPEND _dimrix_releases
            "\n    <release version=\"${_dimrix_version}\" date=\"${_dimrix_date}\">"
            "\n      <description>\n        <ul>${_dimrix_lis}\n        </ul>\n      </description>"
            "\n    </release>")
    endif()
    set(_dimrix_items "")
endmacro()

set(_dimrix_heading "^## ([0-9]+\\.[0-9]+\\.[0-9]+) .* ([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])$")
# How many releases each day had.
foreach(_dimrix_line IN LISTS _dimrix_changelog_lines)
    if(_dimrix_line MATCHES "${_dimrix_heading}")
        if(NOT DEFINED _dimrix_on_${CMAKE_MATCH_2})
            set(_dimrix_on_${CMAKE_MATCH_2} 0)
        endif()
        math(EXPR _dimrix_on_${CMAKE_MATCH_2} "${_dimrix_on_${CMAKE_MATCH_2}} + 1")
    endif()
endforeach()

set(DIMRIX_RELEASE_DATE "")
foreach(_dimrix_line IN LISTS _dimrix_changelog_lines)
    if(_dimrix_line MATCHES "${_dimrix_heading}")
        _dimrix_end_release()
        set(_dimrix_version ${CMAKE_MATCH_1})
        set(_dimrix_date ${CMAKE_MATCH_2})
        if(DIMRIX_RELEASE_DATE STREQUAL "")
            if(NOT _dimrix_version VERSION_EQUAL PROJECT_VERSION)
                message(FATAL_ERROR "CHANGELOG.md starts with ${_dimrix_version}, "
                                    "but the project is version ${PROJECT_VERSION}")
            endif()
            set(DIMRIX_RELEASE_DATE ${_dimrix_date})
        endif()
    elseif(_dimrix_version STREQUAL "")
        continue()
    elseif(_dimrix_line MATCHES "^- (.*)$")
        _dimrix_end_item()
        set(_dimrix_item "${CMAKE_MATCH_1}")
    elseif(_dimrix_line MATCHES "^  +(.*)$" AND NOT _dimrix_item STREQUAL "")
        string(APPEND _dimrix_item "\n${CMAKE_MATCH_1}")
    elseif(_dimrix_line STREQUAL "")
        _dimrix_end_item()
    else()
        message(FATAL_ERROR "CHANGELOG.md: cannot read the line \"${_dimrix_line}\"")
    endif()
endforeach()
_dimrix_end_release()

if(DIMRIX_RELEASE_DATE STREQUAL "")
    message(FATAL_ERROR "CHANGELOG.md holds no release heading")
endif()
set(DIMRIX_METAINFO_RELEASES "${_dimrix_releases}")
string(REGEX REPLACE "\n\n$" "\n" _dimrix_debian "${_dimrix_debian}")
# Written through configure_file so that an unchanged changelog keeps its time stamp and
# nothing downstream is rebuilt.
file(WRITE ${PROJECT_BINARY_DIR}/packaging/changelog.new "${_dimrix_debian}")
configure_file(${PROJECT_BINARY_DIR}/packaging/changelog.new
               ${PROJECT_BINARY_DIR}/packaging/changelog COPYONLY)
