// The list the benchmarks work on: 2,000 rows, the largest list a user plausibly
// keeps (1,000 time events with schedules, then file and web events).
#pragma once

#include <filesystem>

namespace orvalo {

constexpr int kRows = 2000;

// A fresh folder under the system's temporary folder.
std::filesystem::path makeBenchFolder();
void writeSampleList(const std::filesystem::path& path);

}  // namespace orvalo
