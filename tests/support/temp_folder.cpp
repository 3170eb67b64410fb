#include "support/temp_folder.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>

namespace orvalo::test {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalo-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

}  // namespace orvalo::test
