#include "platform/program_folder.h"

#include <cstdlib>
#include <system_error>

#include "base/error.h"

namespace orvalo {

std::filesystem::path executableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw Error("Cannot find the program folder: " + ec.message());
    return exe.parent_path();
}

std::optional<std::filesystem::path> programFolderOverride() {
    if (const char* home = std::getenv("ORVALO_HOME"); home != nullptr && *home != '\0')
        return std::filesystem::absolute(home);
    return std::nullopt;
}

std::filesystem::path programFolder() {
    if (auto home = programFolderOverride()) return *home;
    return executableFolder();
}

}  // namespace orvalo
