#include "base/text.h"

#include <charconv>

#include "base/error.h"

namespace orvalo {

namespace {
char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
}  // namespace

std::string toUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperAscii(c);
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view trimWhitespace(std::string_view text) {
    while (!text.empty() && isWhite(text.front())) text.remove_prefix(1);
    while (!text.empty() && isWhite(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    text = trimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::int64_t toInteger(std::string_view text) {
    if (auto value = parseInteger(text)) return *value;
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::string_view cutToWidth(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    // If the cut falls inside a well-formed UTF-8 sequence, drop that character whole.
    // Other 8-bit text is cut at the byte.
    auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t lead = maxBytes;
    while (lead > 0 && maxBytes - lead < 3 && (byteAt(lead) & 0xC0) == 0x80) --lead;
    if (lead < maxBytes) {
        const unsigned char b = byteAt(lead);
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (length > 1 && lead + length > maxBytes) return text.substr(0, lead);
    }
    return text.substr(0, maxBytes);
}

std::string printableExcerpt(std::string_view text, std::size_t maxBytes) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) valid = (static_cast<unsigned char>(text[i + k]) >> 6) == 0x2;
        if (!valid || (length == 1 && (c < 0x20 || c == 0x7F))) {
            length = 1;
            valid = false;
        }
        if (out.size() + length > maxBytes) return out + "...";
        if (valid) out.append(text.substr(i, length));
        else out += '?';
        i += length;
    }
    return out;
}

std::string shellQuoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace orvalo
