#include "service/service_command_line.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#include "base/text.h"
#include "support/temp_folder.h"

#include "platform/service_manager.h"

namespace orvalo {
namespace {

TEST(ServiceCommandLine, SwitchesAnywhereInAnyCase) {
    const auto parse = [](std::vector<std::string> a) { return parseServiceCommandLine(a); };
    EXPECT_TRUE(parse({"-install", "-silent"}).install);
    EXPECT_TRUE(parse({"-install", "-silent"}).silent);
    EXPECT_TRUE(parse({"x", "/UnInstall"}).uninstall);
    const auto both = parse({"-uninstall", "/INSTALL"});
    EXPECT_TRUE(both.install);
    EXPECT_FALSE(both.uninstall);
    EXPECT_TRUE(parse({"-Console"}).console);
    const auto none = parse({"install", "--install", "-"});
    EXPECT_FALSE(none.install || none.uninstall || none.silent || none.console || none.help);
    for (const char* help : {"--help", "-help", "/?", "-h", "/HELP"}) EXPECT_TRUE(parse({help}).help) << help;
}

TEST(ServiceUnit, NamesTheProgramAndItsHome) {
    ServiceRegistration r;
    r.program = "/opt/orvalo/OrvaloS";
    r.home = "/srv/orvalo";
    const std::string unit = systemdUnitText(r, false);
    EXPECT_NE(unit.find("Description=Orvalo\n"), std::string::npos);
    EXPECT_NE(unit.find("Type=notify\n"), std::string::npos);
    EXPECT_NE(unit.find("ExecStart=\"/opt/orvalo/OrvaloS\"\n"), std::string::npos);
    EXPECT_NE(unit.find("Environment=\"ORVALO_HOME=/srv/orvalo\"\n"), std::string::npos);
    EXPECT_NE(unit.find("TimeoutStartSec=5000ms\n"), std::string::npos);
    EXPECT_NE(unit.find("WantedBy=multi-user.target\n"), std::string::npos);
    EXPECT_NE(systemdUnitText(r, true).find("WantedBy=default.target\n"), std::string::npos);
    r.home.reset();
    EXPECT_EQ(systemdUnitText(r, false).find("Environment="), std::string::npos);
}

// The unit passes systemd's own verifier without a word, for the system and for a
// user, also with blanks, "%" and "$" in its paths. The verifier needs no running
// systemd.
TEST(ServiceUnit, PassesSystemdAnalyzeVerify) {
    if (std::system("command -v systemd-analyze >/dev/null 2>&1") != 0) GTEST_SKIP() << "systemd-analyze is not installed";
    test::TempFolder folder;
    const std::filesystem::path programFolder = folder / "bin 100% $HOME";
    std::filesystem::create_directories(programFolder);
    std::filesystem::copy_file(std::string(ORVALO_BIN_DIR) + "/OrvaloS", programFolder / "OrvaloS");
    std::filesystem::create_directories(folder / "run");
    std::filesystem::permissions(folder / "run", std::filesystem::perms::owner_all);
    ServiceRegistration r;
    r.program = programFolder / "OrvaloS";
    r.home = (folder / "lists of a b%c").string();
    for (const bool user : {false, true}) {
        test::writeFile(folder / "orvalo.service", systemdUnitText(r, user));
        const std::string command = "cd " + shellQuoted(folder.path().string()) + " && XDG_RUNTIME_DIR=" +
                                    shellQuoted((folder / "run").string()) + " systemd-analyze " +
                                    (user ? "--user " : "") + "verify ./orvalo.service 2>&1";
        std::FILE* pipe = ::popen(command.c_str(), "r");
        std::string output;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        const int status = ::pclose(pipe);
        EXPECT_EQ(status, 0) << (user ? "user: " : "system: ") << output;
        EXPECT_EQ(output, "") << (user ? "user" : "system");
    }
}

}  // namespace
}  // namespace orvalo
