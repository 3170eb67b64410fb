// Feeds arbitrary text to the settings reader; every key the programs use must read
// back unchanged after a rewrite.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/error.h"
#include "fuzz_target.h"
#include "eventlist/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orvalo::IniDocument ini = orvalo::IniDocument::parse(text);
    static constexpr std::string_view kKeys[][2] = {
        {"MAIN", "Service_Active"}, {"MAIN", "App_start"}, {"MAIN", "App_startu"}, {"MAIN", "App_start_t"},
        {"MAIN", "email"},          {"MAIL", "EEmail"},    {"MAIL", "EPSW"},       {"MAIL", "EJm"},
        {"MAIL", "ELogin"},         {"MAIL", "ESMTP"}};
    for (const auto& key : kKeys) {
        (void)ini.readBool(key[0], key[1], false);
        const std::string value = ini.readString(key[0], key[1], "");
        try {
            ini.writeString(key[0], key[1], value);
        } catch (const orvalo::Error&) {
            continue;
        }
        if (orvalo::IniDocument::parse(ini.text()).readString(key[0], key[1], "") != value) std::abort();
    }
    return 0;
}
