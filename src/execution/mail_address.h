// The address texts of the information e-mail: the recipient text read as an
// address list (plain addresses, "Name <addr>", quoted names that hold commas),
// the sender's display name as a header may carry it, and the SMTP server text
// (name, IPv4, IPv6, with or without a port) as a URL. Pure functions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvalo {

// The bare addresses of an address list, in order; items that hold no usable
// address (no text, white space or a line break inside) are left out.
std::vector<std::string> mailboxAddresses(std::string_view list);

// A display name as a From or To header writes it: as it is when it is plain words,
// in double quotes when it holds other characters, RFC 2047 encoded words (UTF-8,
// Base64) when it is not ASCII. Line breaks become blanks.
std::string displayNamePhrase(std::string_view name);

// "smtp://host:port" of the server text; port 25 unless the text names one. An
// IPv6 address is written in brackets: "::1" and "[::1]:2525" are both understood.
std::string smtpUrl(std::string_view server);

// Text lines that end in CR LF whatever line ends the text had.
std::string withCrLf(std::string_view text);

}  // namespace orvalo
