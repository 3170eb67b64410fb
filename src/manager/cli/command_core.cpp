#include "manager/cli/command_core.h"

#include <cstdio>
#include <filesystem>

#include "platform/program_folder.h"

namespace orvalo {

CommandCore::CommandCore(bool changes) {
    const std::filesystem::path folder = programFolder();
    if (!std::filesystem::is_directory(folder)) throw Error("The program folder " + folder.string() + " does not exist");
    // Another orvaloctl lets go within moments; a window keeps it.
    if (changes && !lock_.take(folder, std::chrono::seconds(5))) throw Error(kListInUse);
    core_.emplace(folder, loop_, scheduler_);
    if (changes) core_->removeLeftoverTemporaryFiles();
    core_->start(false);
    for (const std::string& report : core_->loadReports()) std::fprintf(stderr, "%s\n", report.c_str());
}

}  // namespace orvalo
