// Starting the manager with the user's login: an XDG autostart entry "Orvalo.desktop"
// in ~/.config/autostart (the current user; $XDG_CONFIG_HOME when set) or in
// /etc/xdg/autostart (all users). Folders that cannot be written are passed over
// without a message, as the start-with-login choice has always been.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvalo {

struct AutostartFolders {
    std::filesystem::path currentUser;
    std::filesystem::path allUsers;
    static AutostartFolders standard();
};

// Removes the entry from both folders.
void removeRunEntries(const AutostartFolders& folders = AutostartFolders::standard());
// Writes the entry that runs the command (a program path, then its arguments); an
// empty command writes nothing. A home is passed on as ORVALO_HOME, so the program
// started with the login opens the same folder. Returns whether the entry was written.
bool writeRunEntry(bool allUsers, const std::filesystem::path& program, const std::string& arguments,
                   const AutostartFolders& folders = AutostartFolders::standard(),
                   const std::optional<std::filesystem::path>& home = std::nullopt);

// The text of the entry.
std::string autostartEntryText(const std::filesystem::path& program, const std::string& arguments,
                               const std::optional<std::filesystem::path>& home = std::nullopt);

}  // namespace orvalo
