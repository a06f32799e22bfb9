# Writes the table of the web console's page files (bridge/web/PageFiles.h) from every
# file of a folder, their bytes as arrays, so the program serves the page without reading
# anything from disk. Run at build time, again whenever a file of the folder changes:
#
#   cmake -DPAGE_DIR=<folder> -DOUTPUT=<file.cpp> -P DimrixEmbedPage.cmake

file(GLOB names RELATIVE ${PAGE_DIR} ${PAGE_DIR}/*)
list(SORT names)
set(arrays "")
set(entries "")
set(index 0)
foreach(name IN LISTS names)
    if(IS_DIRECTORY ${PAGE_DIR}/${name})
        continue()
    endif()
    get_filename_component(extension ${name} LAST_EXT)
    string(TOLOWER "${extension}" extension)
    if(extension STREQUAL ".html")
        set(type "text/html; charset=utf-8")
    elseif(extension STREQUAL ".js")
        set(type "text/javascript; charset=utf-8")
    elseif(extension STREQUAL ".css")
        set(type "text/css; charset=utf-8")
    elseif(extension STREQUAL ".svg")
        set(type "image/svg+xml")
    elseif(extension STREQUAL ".png")
        set(type "image/png")
    elseif(extension STREQUAL ".ico")
        set(type "image/x-icon")
    elseif(extension STREQUAL ".json")
        set(type "application/json")
    else()
        message(FATAL_ERROR "${PAGE_DIR}/${name}: no content type known for '${extension}'")
    endif()
    file(READ ${PAGE_DIR}/${name} hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    # Sixteen bytes a line; a trailing 0 so that an empty file is still an array.
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "constexpr unsigned char kFile${index}[] = {\n    ${bytes}0};\n\n")
    string(APPEND entries
        "    PageFile{\"${name}\", \"${type}\",\n"
        "             std::string_view(reinterpret_cast<const char*>(kFile${index}), ${size})},\n")
    math(EXPR index "${index} + 1")
endforeach()

set(text "// Made by cmake/DimrixEmbedPage.cmake from ${PAGE_DIR}; do not edit.\n\n")
string(APPEND text "#include \"bridge/web/PageFiles.h\"\n\n#include <array>\n\n")
string(APPEND text "namespace dimrix::bridge::web {\n\nnamespace {\n\n${arrays}")
string(APPEND text "const std::array kFiles{\n${entries}};\n\n}  // namespace\n\n")
string(APPEND text "std::span<const PageFile> PageFiles::All() {\n    return kFiles;\n}\n\n")
string(APPEND text "}  // namespace dimrix::bridge::web\n")
# Rewritten only when it differs, so an unchanged page rebuilds nothing.
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "${text}" @ONLY)
