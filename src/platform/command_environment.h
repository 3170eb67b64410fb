// The environment the service gives the commands of its events, whichever service
// manager started it: what cron and systemd give a job, and the program folder.
//   PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
//   HOME, LOGNAME, USER, SHELL=/bin/sh   of the user the service runs as
//   LANG                                 the service's own, when it has one
//   ORVALO_HOME                          the program folder
// Nothing else of the service's environment (or of whoever started the service)
// reaches a command.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvalo {

std::vector<std::string> serviceCommandEnvironment(const std::filesystem::path& programFolder);

}  // namespace orvalo
