#include "platform/command_environment.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace orvalo {

std::vector<std::string> serviceCommandEnvironment(const std::filesystem::path& programFolder) {
    std::string home = "/";
    std::string user = std::to_string(::geteuid());
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        if (found->pw_dir != nullptr && found->pw_dir[0] == '/') home = found->pw_dir;
        if (found->pw_name != nullptr && found->pw_name[0] != '\0') user = found->pw_name;
    }
    std::vector<std::string> environment = {
        "PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin",
        "HOME=" + home,
        "LOGNAME=" + user,
        "USER=" + user,
        "SHELL=/bin/sh",
    };
    if (const char* lang = std::getenv("LANG"); lang != nullptr && *lang != '\0') environment.push_back(std::string("LANG=") + lang);
    environment.push_back("ORVALO_HOME=" + programFolder.string());
    return environment;
}

}  // namespace orvalo
