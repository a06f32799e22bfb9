# The one description of the program: packaging/description.txt holds the summary on
# its first line, then a blank line and the long description in paragraphs. The package,
# the metainfo and the man page are made from it here; the README's opening paragraph is
# checked against it by scripts/check-package.sh.
#
#   DIMRIX_SUMMARY                 "control panel for ..." (Debian's style: no capital, no stop)
#   DIMRIX_SUMMARY_CAPITALISED     "Control panel for ..." (AppStream's style)
#   DIMRIX_DESCRIPTION             the paragraphs as written, for the package
#   DIMRIX_DESCRIPTION_METAINFO    the paragraphs as AppStream <p> elements
#   DIMRIX_DESCRIPTION_MAN         the paragraphs as man page text, split by .PP

set(_dimrix_description_file ${PROJECT_SOURCE_DIR}/packaging/description.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_dimrix_description_file})
file(READ ${_dimrix_description_file} _dimrix_text)
if(NOT _dimrix_text MATCHES "^([^\n]+)\n\n(.+)$")
    message(FATAL_ERROR "${_dimrix_description_file}: a summary line, a blank line, then paragraphs")
endif()
set(DIMRIX_SUMMARY "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" DIMRIX_DESCRIPTION)

string(SUBSTRING "${DIMRIX_SUMMARY}" 0 1 _dimrix_first)
string(SUBSTRING "${DIMRIX_SUMMARY}" 1 -1 _dimrix_rest)
string(TOUPPER "${_dimrix_first}" _dimrix_first)
set(DIMRIX_SUMMARY_CAPITALISED "${_dimrix_first}${_dimrix_rest}")

# Indented as the metainfo template's other elements; a blank line ends a <p>.
string(REPLACE "\n" "\n      " _dimrix_xml "${DIMRIX_DESCRIPTION}")
string(REPLACE "\n      \n      " "\n    </p>\n    <p>\n      " _dimrix_xml "${_dimrix_xml}")
set(DIMRIX_DESCRIPTION_METAINFO "<p>\n      ${_dimrix_xml}\n    </p>")

string(REPLACE "\n\n" "\n.PP\n" DIMRIX_DESCRIPTION_MAN "${DIMRIX_DESCRIPTION}")
