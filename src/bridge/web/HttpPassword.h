#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dimrix::bridge::web {

// The console's password, asked for with HTTP Basic authentication. Browsers ask for a
// user name too; any is accepted. It is read from a file so that no command line (and so
// no `ps`) shows it.
class HttpPassword {
public:
    static constexpr std::string_view kChallenge = "Basic realm=\"dimrix-bridge\"";

    // The file's first line; nothing when that is empty (a service handed an empty file
    // when none was set up). Throws std::runtime_error, saying why, when the file cannot
    // be read, or (on POSIX systems) its group or others may read it.
    [[nodiscard]] static std::optional<HttpPassword> FromFile(const std::filesystem::path& path);

    explicit HttpPassword(std::string password) : m_password(std::move(password)) {}

    // Whether an Authorization header carries the password. The comparison takes as long
    // whatever the first wrong character, so timing tells nothing of the password.
    [[nodiscard]] bool Admits(std::string_view authorization) const;

private:
    std::string m_password;
};

}  // namespace dimrix::bridge::web
