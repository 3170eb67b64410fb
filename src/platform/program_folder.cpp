#include "platform/program_folder.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

#include "base/error.h"

namespace orvalo {

std::filesystem::path executablePath() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw Error("Cannot find the program folder: " + ec.message());
    return exe;
}

std::filesystem::path executableFolder() { return executablePath().parent_path(); }

std::optional<std::filesystem::path> programFolderOverride() {
    if (const char* home = std::getenv("ORVALO_HOME"); home != nullptr && *home != '\0')
        return std::filesystem::absolute(home);
    return std::nullopt;
}

std::filesystem::path programFolder() {
    if (auto home = programFolderOverride()) return *home;
    const std::filesystem::path folder = executableFolder();
    if (::access(folder.c_str(), W_OK) == 0) return folder;
    // An installed program's folder (/opt/orvalo) is not the user's to write in:
    // each user then keeps the lists in a data folder of their own.
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') data = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') data = std::filesystem::path(home) / ".local/share";
    else return folder;
    std::error_code ec;
    std::filesystem::create_directories(data / "orvalo", ec);
    return data / "orvalo";
}

}  // namespace orvalo
