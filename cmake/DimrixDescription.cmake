# One description per program: packaging/<program>.description.txt holds the summary on
# its first line, then a blank line and the long description in paragraphs. The package,
# the metainfo files and the man pages are made from them here; the README's opening
# paragraph is checked against the panel's by scripts/check-package.sh.
#
# dimrix_read_description(<program> <prefix>) sets, for <prefix> DIMRIX:
#   DIMRIX_SUMMARY                 "control panel for ..." (Debian's style: no capital, no stop)
#   DIMRIX_SUMMARY_CAPITALISED     "Control panel for ..." (AppStream's style)
#   DIMRIX_DESCRIPTION             the paragraphs as written, for the package
#   DIMRIX_DESCRIPTION_METAINFO    the paragraphs as AppStream <p> elements
#   DIMRIX_DESCRIPTION_MAN         the paragraphs as man page text, split by .PP

function(dimrix_read_description program prefix)
    set(file ${PROJECT_SOURCE_DIR}/packaging/${program}.description.txt)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(READ ${file} text)
    if(NOT text MATCHES "^([^\n]+)\n\n(.+)$")
        message(FATAL_ERROR "${file}: a summary line, a blank line, then paragraphs")
    endif()
    set(summary "${CMAKE_MATCH_1}")
    string(STRIP "${CMAKE_MATCH_2}" description)

    string(SUBSTRING "${summary}" 0 1 first)
    string(SUBSTRING "${summary}" 1 -1 rest)
    string(TOUPPER "${first}" first)

    # Indented as the metainfo templates' other elements; a blank line ends a <p>.
    string(REPLACE "\n" "\n      " xml "${description}")
    string(REPLACE "\n      \n      " "\n    </p>\n    <p>\n      " xml "${xml}")

    string(REPLACE "\n\n" "\n.PP\n" man "${description}")

    set(${prefix}_SUMMARY "${summary}" PARENT_SCOPE)
    set(${prefix}_SUMMARY_CAPITALISED "${first}${rest}" PARENT_SCOPE)
    set(${prefix}_DESCRIPTION "${description}" PARENT_SCOPE)
    set(${prefix}_DESCRIPTION_METAINFO "<p>\n      ${xml}\n    </p>" PARENT_SCOPE)
    set(${prefix}_DESCRIPTION_MAN "${man}" PARENT_SCOPE)
endfunction()

dimrix_read_description(dimrix DIMRIX)
dimrix_read_description(dimrix-monitor DIMRIX_MONITOR)
dimrix_read_description(dimrix-bridge DIMRIX_BRIDGE)
