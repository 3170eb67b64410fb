#include "platform/autostart_entry.h"

#include <cstdlib>

#include "base/error.h"
#include "platform/atomic_file.h"

namespace orvalo {

namespace {
constexpr const char* kEntryName = "Orvalo.desktop";

// An Exec value: the program quoted when it needs it, with the characters that
// desktop entries reserve inside quotes escaped.
std::string execQuoted(const std::string& text) {
    if (text.find_first_of(" \t\"'\\$`") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}
}  // namespace

AutostartFolders AutostartFolders::standard() {
    AutostartFolders folders;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        folders.currentUser = std::filesystem::path(config) / "autostart";
    } else {
        const char* home = std::getenv("HOME");
        folders.currentUser = std::filesystem::path(home ? home : "/") / ".config" / "autostart";
    }
    folders.allUsers = "/etc/xdg/autostart";
    return folders;
}

std::string autostartEntryText(const std::filesystem::path& program, const std::string& arguments,
                               const std::optional<std::filesystem::path>& home) {
    std::string exec = execQuoted(program.string());
    if (home) exec = "env " + execQuoted("ORVALO_HOME=" + home->string()) + " " + exec;
    if (!arguments.empty()) exec += " " + arguments;
    return "[Desktop Entry]\nType=Application\nName=Orvalo\nComment=Starts the Orvalo manager\nExec=" + exec +
           "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

void removeRunEntries(const AutostartFolders& folders) {
    for (const auto& folder : {folders.allUsers, folders.currentUser}) {
        std::error_code ec;
        std::filesystem::remove(folder / kEntryName, ec);
    }
}

bool writeRunEntry(bool allUsers, const std::filesystem::path& program, const std::string& arguments,
                   const AutostartFolders& folders, const std::optional<std::filesystem::path>& home) {
    if (program.empty()) return false;
    const std::filesystem::path folder = allUsers ? folders.allUsers : folders.currentUser;
    // The per-user folder is made when missing; the system-wide one must exist.
    std::error_code ec;
    if (!allUsers) std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) return false;
    try {
        writeFileAtomically(folder / kEntryName, autostartEntryText(program, arguments, home), 0644, FileModes::Always);
    } catch (const Error&) {
        return false;
    }
    return true;
}

}  // namespace orvalo
