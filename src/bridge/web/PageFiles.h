#pragma once

#include <span>
#include <string_view>

namespace dimrix::bridge::web {

// One file of the console's page, compiled into the program.
struct PageFile {
    std::string_view name;
    std::string_view contentType;
    std::string_view bytes;
};

// Every file of src/bridge/web/page/, read at build time (cmake/DimrixEmbedPage.cmake
// writes the table), so the page needs nothing from disk or from another host.
class PageFiles {
public:
    [[nodiscard]] static std::span<const PageFile> All();
    // The file served at /`name`; "" is index.html.
    [[nodiscard]] static const PageFile* Find(std::string_view name);
};

}  // namespace dimrix::bridge::web
