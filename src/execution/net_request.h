// The request a program hands to the network helper (orvalo-net) on its standard
// input: named fields, each "<name> <length>\n<bytes>\n", so a value may hold any
// byte, line breaks and NULs included. Pure functions.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orvalo {

using NetRequest = std::map<std::string, std::string>;

std::string encodeNetRequest(const NetRequest& request);
// nullopt for a text that is not a whole request, or holds more than maxBytes.
std::optional<NetRequest> decodeNetRequest(std::string_view text, std::size_t maxBytes = 64u << 20);

// The helper's exit statuses.
inline constexpr int kNetDone = 0;        // fetched, sent, connected
inline constexpr int kNetFailed = 1;      // the transfer failed; its reason on standard output (mail)
inline constexpr int kNetTooLarge = 2;    // the page is larger than its limit
inline constexpr int kNetBadRequest = 64; // the request could not be read

}  // namespace orvalo
