#include "bridge/web/HttpPassword.h"

// Boost 1.74's Asio uses std::exchange without including <utility> under C++20.
#include <utility>
//
#include <algorithm>
#include <boost/beast/core/detail/base64.hpp>
#include <cctype>
#include <cstddef>
#include <fstream>
#include <stdexcept>
#include <string>

namespace dimrix::bridge::web {

namespace {

constexpr std::string_view kScheme = "Basic ";

// As long for every `given` of one length, whatever it holds.
bool SameSecret(std::string_view given, std::string_view secret) {
    if (secret.empty()) {
        return false;
    }
    unsigned char differ = given.size() == secret.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size(); ++i) {
        differ |= static_cast<unsigned char>(given[i] ^ secret[i % secret.size()]);
    }
    return differ == 0;
}

}  // namespace

std::optional<HttpPassword> HttpPassword::FromFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) {
        throw std::runtime_error("cannot read the password file " + name + ": " + error.message());
    }
#ifndef _WIN32
    // Windows has no such bits: its files are guarded by their access lists instead.
    using std::filesystem::perms;
    if ((status.permissions() & (perms::group_all | perms::others_all)) != perms::none) {
        throw std::runtime_error("the password file " + name +
                                 " may be read by its group or others; chmod 600 it");
    }
#endif
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error("cannot read the password file " + name);
    }
    std::string password;
    std::getline(file, password);
    if (password.ends_with('\r')) {
        password.pop_back();
    }
    if (password.empty()) {
        return std::nullopt;
    }
    return HttpPassword(std::move(password));
}

bool HttpPassword::Admits(std::string_view authorization) const {
    if (authorization.size() <= kScheme.size() ||
        !std::equal(kScheme.begin(), kScheme.end(), authorization.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        })) {
        return false;
    }
    std::string_view encoded = authorization.substr(kScheme.size());
    // The padding ends what the decoder reads.
    while (encoded.ends_with('=')) {
        encoded.remove_suffix(1);
    }
    namespace base64 = boost::beast::detail::base64;
    // Room for the unpadded text too, which decoded_size does not count.
    std::string decoded(encoded.size(), '\0');
    const auto [written, read] = base64::decode(decoded.data(), encoded.data(), encoded.size());
    if (read != encoded.size()) {
        return false;
    }
    decoded.resize(written);
    const std::size_t colon = decoded.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    return SameSecret(std::string_view(decoded).substr(colon + 1), m_password);
}

}  // namespace dimrix::bridge::web
