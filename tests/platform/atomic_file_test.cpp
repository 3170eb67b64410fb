#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/error.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

mode_t modeOf(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

std::size_t entries(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

TEST(AtomicFile, CreatesReplacesAndKeepsPermissions) {
    test::TempFolder folder;
    const auto path = folder / "sub" / "f.txt";
    writeFileAtomically(path, "one", 0600);
    EXPECT_EQ(test::readFile(path), "one");
    EXPECT_EQ(modeOf(path), 0600u);

    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    writeFileAtomically(path, "two", 0600);
    EXPECT_EQ(test::readFile(path), "two");
    EXPECT_EQ(modeOf(path), 0664u);
    EXPECT_EQ(entries(folder / "sub"), 1u);
}

TEST(AtomicFile, AFailedWriteLeavesTheOldFileAndNoLeftovers) {
    test::TempFolder folder;
    const auto path = folder / "target";
    std::filesystem::create_directory(path);  // rename over a folder fails
    test::writeFile(path / "inside", "kept");
    EXPECT_THROW(writeFileAtomically(path, "new"), IoError);
    EXPECT_EQ(test::readFile(path / "inside"), "kept");
    EXPECT_EQ(entries(folder.path()), 1u);
}

TEST(AtomicFile, ReadWholeFileTellsMissingFromUnreadable) {
    test::TempFolder folder;
    std::string text = "untouched";
    EXPECT_FALSE(readWholeFile(folder / "none", text));
    test::writeFile(folder / "f", std::string("a\0b", 3));
    EXPECT_TRUE(readWholeFile(folder / "f", text));
    EXPECT_EQ(text, std::string("a\0b", 3));
    EXPECT_THROW(readWholeFile(folder.path(), text), IoError);  // a folder cannot be read as a file
}

}  // namespace
}  // namespace orvalo
