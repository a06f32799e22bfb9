#include "bridge/web/PageFiles.h"

#include <algorithm>

namespace dimrix::bridge::web {

const PageFile* PageFiles::Find(std::string_view name) {
    constexpr std::string_view kIndex = "index.html";
    const std::string_view wanted = name.empty() ? kIndex : name;
    const std::span<const PageFile> files = All();
    const auto found =
        std::ranges::find_if(files, [wanted](const PageFile& file) { return file.name == wanted; });
    return found == files.end() ? nullptr : &*found;
}

}  // namespace dimrix::bridge::web
