#include "execution/mail_address.h"

#include <algorithm>

#include "base/text.h"

namespace orvalo {

namespace {

// Splits at commas outside quotes, angle brackets and comments.
std::vector<std::string_view> splitList(std::string_view list) {
    std::vector<std::string_view> items;
    bool quoted = false;
    int angle = 0, comment = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (quoted) {
            if (c == '\\') ++i;
            else if (c == '"') quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == '(') {
            ++comment;
        } else if (c == ')' && comment > 0) {
            --comment;
        } else if (comment == 0 && c == '<') {
            ++angle;
        } else if (comment == 0 && c == '>' && angle > 0) {
            --angle;
        } else if (c == ',' && angle == 0 && comment == 0) {
            items.push_back(list.substr(start, i - start));
            start = i + 1;
        }
    }
    items.push_back(list.substr(start));
    return items;
}

// The address of one list item: what stands in its last angle brackets, or the
// item itself without comments.
std::string addressOf(std::string_view item) {
    std::string address;
    const auto open = item.rfind('<');
    const auto close = open == std::string_view::npos ? std::string_view::npos : item.find('>', open);
    if (close != std::string_view::npos) {
        address = std::string(trimWhitespace(item.substr(open + 1, close - open - 1)));
    } else {
        int comment = 0;
        for (char c : item) {
            if (c == '(') ++comment;
            else if (c == ')' && comment > 0) --comment;
            else if (comment == 0) address += c;
        }
        address = std::string(trimWhitespace(address));
    }
    const bool usable = !address.empty() && std::none_of(address.begin(), address.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '<' || c == '>' || c == ',' || c == 127;
    });
    return usable ? address : std::string();
}

std::string base64(std::string_view bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += {kAlphabet[(n >> 18) & 63], kAlphabet[(n >> 12) & 63], kAlphabet[(n >> 6) & 63], kAlphabet[n & 63]};
    }
    if (i + 1 == bytes.size()) {
        const unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        out += {kAlphabet[(n >> 18) & 63], kAlphabet[(n >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        out += {kAlphabet[(n >> 18) & 63], kAlphabet[(n >> 12) & 63], kAlphabet[(n >> 6) & 63], '='};
    }
    return out;
}

bool isAtomText(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return true;
    if (u >= 'A' && u <= 'Z') return true;
    if (u >= '0' && u <= '9') return true;
    return std::string_view("!#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos;
}

}  // namespace

std::vector<std::string> mailboxAddresses(std::string_view list) {
    std::vector<std::string> addresses;
    for (std::string_view item : splitList(list)) {
        if (trimWhitespace(item).empty()) continue;
        if (std::string address = addressOf(item); !address.empty()) addresses.push_back(std::move(address));
    }
    return addresses;
}

std::string displayNamePhrase(std::string_view name) {
    std::string text(trimWhitespace(name));
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    if (text.empty()) return text;
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
    });
    if (!ascii) {
        // Encoded words of at most 75 characters, never splitting a UTF-8 character.
        std::string out;
        std::string_view rest = text;
        while (!rest.empty()) {
            std::string_view piece = cutToWidth(rest, 45);
            if (piece.empty()) piece = rest.substr(0, 1);
            out += (out.empty() ? "" : " ") + std::string("=?UTF-8?B?") + base64(piece) + "?=";
            rest.remove_prefix(piece.size());
        }
        return out;
    }
    const bool plainWords = std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || isAtomText(c); });
    if (plainWords) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string smtpUrl(std::string_view server) {
    const std::string text(trimWhitespace(server));
    std::string host = text;
    std::string port = "25";
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        host = text.substr(0, close == std::string::npos ? std::string::npos : close + 1);
        if (close != std::string::npos && close + 1 < text.size() && text[close + 1] == ':') port = text.substr(close + 2);
    } else if (std::count(text.begin(), text.end(), ':') > 1) {
        host = "[" + text + "]";  // an IPv6 address without a port
    } else if (const auto colon = text.find(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    return "smtp://" + host + ":" + port;
}

std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace orvalo
