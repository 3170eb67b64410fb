// Small text helpers shared by the file formats: ASCII case folding, trimming
// and strict decimal conversion. All are pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvalo {

std::string toUpperAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Removes spaces and tab characters from both ends.
std::string_view trimBlanks(std::string_view text);
// Removes every ASCII white-space character (space, tab, CR, LF, VT, FF) from both ends.
std::string_view trimWhitespace(std::string_view text);

// A decimal integer with an optional sign and surrounding blanks; nullopt when the
// text is empty, holds anything else, or does not fit.
std::optional<std::int64_t> parseInteger(std::string_view text);
// As parseInteger, but raises ConvertError "'<text>' is not a valid integer value".
std::int64_t toInteger(std::string_view text);

// Cuts text to at most maxBytes without splitting a UTF-8 sequence.
std::string_view cutToWidth(std::string_view text, std::size_t maxBytes);

// A piece of untrusted text fit for a message: control characters and bytes that
// are not UTF-8 become '?', and text beyond maxBytes is cut (UTF-8 safe) with "...".
std::string printableExcerpt(std::string_view text, std::size_t maxBytes = 60);

// The text as one word for /bin/sh, in single quotes.
std::string shellQuoted(std::string_view text);

}  // namespace orvalo
