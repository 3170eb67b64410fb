// Feeds arbitrary text to the settings reader; after every key the programs use is
// written back, the rewritten text must read each of them unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "eventlist/ini_document.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orvalo::IniDocument ini = orvalo::IniDocument::parse(text);
    static constexpr std::string_view kKeys[][2] = {
        {"MAIN", "Service_Active"}, {"MAIN", "App_start"}, {"MAIN", "App_startu"}, {"MAIN", "App_start_t"},
        {"MAIN", "email"},          {"MAIL", "EEmail"},    {"MAIL", "EPSW"},       {"MAIL", "EJm"},
        {"MAIL", "ELogin"},         {"MAIL", "ESMTP"}};
    std::vector<std::string> values;
    for (const auto& key : kKeys) {
        (void)ini.readBool(key[0], key[1], false);
        values.push_back(ini.readString(key[0], key[1], ""));
        ini.writeString(key[0], key[1], values.back());  // read values never hold line breaks
    }
    const orvalo::IniDocument reread = orvalo::IniDocument::parse(ini.text());
    for (std::size_t i = 0; i < values.size(); ++i)
        if (reread.readString(kKeys[i][0], kKeys[i][1], "") != values[i]) std::abort();
    return 0;
}
