#include "service/service_command_line.h"

#include <gtest/gtest.h>

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
    const std::string unit = systemdUnitText(r);
    EXPECT_NE(unit.find("Description=Orvalo\n"), std::string::npos);
    EXPECT_NE(unit.find("Type=notify\n"), std::string::npos);
    EXPECT_NE(unit.find("ExecStart=/opt/orvalo/OrvaloS\n"), std::string::npos);
    EXPECT_NE(unit.find("Environment=ORVALO_HOME=/srv/orvalo\n"), std::string::npos);
    EXPECT_NE(unit.find("TimeoutStartSec=5000ms\n"), std::string::npos);
    r.home.reset();
    EXPECT_EQ(systemdUnitText(r).find("Environment="), std::string::npos);
}

}  // namespace
}  // namespace orvalo
