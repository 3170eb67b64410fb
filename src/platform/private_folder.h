// A folder only this user can reach, for the window's single-instance lock and
// socket: $XDG_RUNTIME_DIR when it is an absolute path to a folder of this user's
// that nobody else may enter, otherwise $XDG_CACHE_HOME/orvalo (~/.cache/orvalo),
// created with mode 0700. Never a shared folder such as /tmp, where another user
// could take a name first. Raises Error when no such folder can be had.
#pragma once

#include <filesystem>

namespace orvalo {

std::filesystem::path privateRuntimeFolder();

}  // namespace orvalo
