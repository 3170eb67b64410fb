// The platform's side of the trust boundaries: strict modes, files created without
// following links and with private modes, the user's private runtime folder, the
// lingering note. Run as root, the tests hand files to a second user (nobody).
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/folder_lock.h"
#include "platform/private_folder.h"
#include "platform/service_manager.h"
#include "platform/strict_modes.h"
#include "support/temp_folder.h"
#include "support/test_helpers.h"

namespace orvalo {
namespace {

constexpr uid_t kNobody = 65534;

mode_t modeOf(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// A service's files: its folder (inside a parent), list, settings and program.
class StrictModesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "handing files to another user needs root";
        ASSERT_EQ(::chmod(parent_.path().c_str(), 0755), 0);
        std::filesystem::create_directory(folder());
        ASSERT_EQ(::chmod(folder().c_str(), 0755), 0);
        for (const char* name : {"sl.csv", "Orvalo.ini", "OrvaloS"}) {
            test::writeFile(folder() / name, "x");
            ASSERT_EQ(::chmod((folder() / name).c_str(), 0644), 0);
        }
    }
    std::filesystem::path folder() const { return parent_ / "home"; }
    std::vector<std::filesystem::path> paths() const {
        return {folder(), folder() / "sl.csv", folder() / "Orvalo.ini", folder() / "OrvaloS"};
    }

    test::TempFolder parent_;
};

TEST_F(StrictModesTest, OnlyFilesOfTheServicesUserOrRootThatNobodyElseMayWritePass) {
    struct Case {
        const char* what;
        std::string path;  // below the parent
        uid_t owner;
        mode_t mode;
        uid_t serviceUser;
        bool passes;
    };
    const Case cases[] = {
        {"root's files, root's service", "home", 0, 0755, 0, true},
        {"a folder writable by the group", "home", 0, 0775, 0, false},
        {"a folder writable by others", "home", 0, 0757, 0, false},
        {"a folder of another user", "home", kNobody, 0755, 0, false},
        {"a list writable by others", "home/sl.csv", 0, 0666, 0, false},
        {"a list of another user", "home/sl.csv", kNobody, 0600, 0, false},
        {"settings writable by the group", "home/Orvalo.ini", 0, 0620, 0, false},
        {"a program of another user", "home/OrvaloS", kNobody, 0755, 0, false},
        {"a folder above writable by others", "", 0, 0777, 0, false},
        {"a folder above with the sticky bit (/tmp)", "", 0, 01777, 0, true},
        {"the user's own folder, the user's service", "home", kNobody, 0700, kNobody, true},
        {"root's list, the user's service", "home/sl.csv", 0, 0644, kNobody, true},
        {"a third user's list, the user's service", "home/sl.csv", 1234, 0644, kNobody, false},
    };
    for (const Case& c : cases) {
        const std::filesystem::path path = parent_ / c.path;
        ASSERT_EQ(::chown(path.c_str(), c.owner, 0), 0);
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        const std::string error = test::errorOf([&] { requireTrustedPaths(paths(), c.serviceUser); });
        EXPECT_EQ(error == "(no error)", c.passes) << c.what << ": " << error;
        if (!c.passes) {
            const std::string named = c.path.empty() ? parent_.path().string() : path.string();
            EXPECT_NE(error.find("so " + named + " must"), std::string::npos) << error;
        }
        ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
        ASSERT_EQ(::chmod(path.c_str(), c.path.empty() || c.path == "home" ? 0755 : 0644), 0);
    }
}

TEST_F(StrictModesTest, TheMessageNamesThePathItsOwnerAndItsMode) {
    ASSERT_EQ(::chown((folder() / "sl.csv").c_str(), kNobody, 0), 0);
    ASSERT_EQ(::chmod((folder() / "sl.csv").c_str(), 0664), 0);
    EXPECT_EQ(test::errorOf([&] { requireTrustedPaths(paths(), 0); }),
              "The service runs as root, so " + (folder() / "sl.csv").string() +
                  " must belong to root and be writable by its owner only; it belongs to nobody (uid 65534) with "
                  "mode 0664");
}

// Files the programs create in the program folder never follow a link planted at
// their name: the link's target stays as it was.
TEST(NoLinkFollowing, ALinkAtAFilesNameIsNeverWrittenThrough) {
    test::TempFolder folder;
    test::writeFile(folder / "target", "precious");
    std::filesystem::create_symlink(folder / "target", folder / "Orvalo.lock");
    FolderLock lock;
    EXPECT_THROW(lock.take(folder.path(), std::chrono::milliseconds(0)), Error);

    std::filesystem::create_symlink(folder / "target", folder / "L.csv");
    writeFileAtomically(folder / "L.csv", "new list");
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "L.csv"));  // the link is replaced
    EXPECT_EQ(test::readFile(folder / "L.csv"), "new list");
    EXPECT_EQ(modeOf(folder / "L.csv"), 0600u);  // a new file's mode, not the target's

    std::filesystem::create_symlink(folder / "target", folder / "page");
    std::string text;
    EXPECT_THROW(readWholeFile(folder / "page", text, 100, false), IoError);
    EXPECT_EQ(test::readFile(folder / "target"), "precious");
}

TEST(FileModes, NewFilesArePrivateAndSettingsStaySo) {
    test::TempFolder folder;
    writeFileAtomically(folder / "new", "x");
    EXPECT_EQ(modeOf(folder / "new"), 0600u);
    test::writeFile(folder / "Orvalo.ini", "[MAIN]\n");
    ASSERT_EQ(::chmod((folder / "Orvalo.ini").c_str(), 0644), 0);
    writeFileAtomically(folder / "Orvalo.ini", "[MAIL]\nEPSW=secret\n", 0600, FileModes::Always);
    EXPECT_EQ(modeOf(folder / "Orvalo.ini"), 0600u);
    FolderLock lock;
    ASSERT_TRUE(lock.take(folder.path(), std::chrono::milliseconds(0)));
    EXPECT_EQ(modeOf(folder / "Orvalo.lock"), 0600u);
}

// The window's lock and socket go to a folder only the user can enter.
TEST(PrivateRuntimeFolder, IsTheUsersOwnAndNeverShared) {
    test::TempFolder root;
    const auto saved = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto runtime = saved("XDG_RUNTIME_DIR"), cache = saved("XDG_CACHE_HOME"), home = saved("HOME");
    std::filesystem::create_directory(root / "run");
    ASSERT_EQ(::chmod((root / "run").c_str(), 0700), 0);
    ::setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
    EXPECT_EQ(privateRuntimeFolder(), root / "run");

    ::unsetenv("XDG_CACHE_HOME");
    ::setenv("HOME", root.path().c_str(), 1);
    ASSERT_EQ(::chmod((root / "run").c_str(), 0777), 0);  // open to all: not used
    EXPECT_EQ(privateRuntimeFolder(), root / ".cache" / "orvalo");
    EXPECT_EQ(modeOf(root / ".cache" / "orvalo"), 0700u);
    ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_EQ(::chmod((root / ".cache" / "orvalo").c_str(), 0755), 0);  // ours, loosened: tightened again
    EXPECT_EQ(privateRuntimeFolder(), root / ".cache" / "orvalo");
    EXPECT_EQ(modeOf(root / ".cache" / "orvalo"), 0700u);
    std::filesystem::remove(root / ".cache" / "orvalo");
    std::filesystem::create_symlink(root / "run", root / ".cache" / "orvalo");  // a link: refused
    EXPECT_THROW(privateRuntimeFolder(), Error);

    for (const auto& [name, value] : {std::pair{"XDG_RUNTIME_DIR", runtime}, {"XDG_CACHE_HOME", cache}, {"HOME", home}}) {
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
}

TEST(SystemdLinger, AUsersServiceSaysHowToOutliveTheLogout) {
    test::TempFolder linger;
    EXPECT_EQ(systemdLingerNote(0, linger.path()), "");
    EXPECT_EQ(systemdLingerNote(kNobody, linger.path()),
              "The service runs while nobody is logged in. To keep it running after logout and start it at boot, run: "
              "loginctl enable-linger nobody");
    test::writeFile(linger / "nobody", "");
    EXPECT_EQ(systemdLingerNote(kNobody, linger.path()), "");
}

}  // namespace
}  // namespace orvalo
