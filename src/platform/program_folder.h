// The program folder: where the event lists, Orvalo.ini, the logs and the page
// files live. ORVALO_HOME names it when set. Otherwise a build tree's programs
// (build/bin, beside CMakeCache.txt) keep their data in their own folder, and an
// installed copy (programs in another bin/ folder, e.g. /usr/bin) keeps it out of
// there, whoever runs it: a root service in /var/lib/orvalo, everyone else, root
// included, in $XDG_DATA_HOME/orvalo (~/.local/share/orvalo). A folder that is
// neither and that the user may not write is treated as installed. Thread-safe;
// reads the environment on every call.
#pragma once

#include <filesystem>
#include <optional>
#include <sys/types.h>

namespace orvalo {

// The running executable, read from /proc/self/exe, and its folder.
std::filesystem::path executablePath();
std::filesystem::path executableFolder();

// The network helper of the programs in folder: beside them (a build tree, or a copy
// with every program together), in ../libexec/orvalo (an installed copy), or in
// ../bin (the tests and benchmarks of a build tree). The first that exists; the one
// beside them when none does, so that an error names it.
inline constexpr const char* kNetHelperName = "orvalo-net";
std::filesystem::path netHelperProgram(const std::filesystem::path& folder = executableFolder());

// ORVALO_HOME as an absolute path, when set and not empty.
std::optional<std::filesystem::path> programFolderOverride();

enum class FolderUser { Manager, Service };

// The program folder of this process; one that is not ORVALO_HOME is created
// (0700) when missing.
std::filesystem::path programFolder(FolderUser user = FolderUser::Manager);

// The rule itself, for a program in executableFolder run by the user uid.
std::filesystem::path programFolderFor(const std::filesystem::path& executableFolder, FolderUser user, uid_t uid);

}  // namespace orvalo
