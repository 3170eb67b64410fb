#include "execution/net_request.h"

#include "base/text.h"

namespace orvalo {

std::string encodeNetRequest(const NetRequest& request) {
    std::string out;
    for (const auto& [name, value] : request) out += name + " " + std::to_string(value.size()) + "\n" + value + "\n";
    return out;
}

std::optional<NetRequest> decodeNetRequest(std::string_view text, std::size_t maxBytes) {
    if (text.size() > maxBytes) return std::nullopt;
    NetRequest request;
    while (!text.empty()) {
        const std::size_t lineEnd = text.find('\n');
        if (lineEnd == std::string_view::npos) return std::nullopt;
        const std::string_view head = text.substr(0, lineEnd);
        const std::size_t blank = head.find(' ');
        if (blank == std::string_view::npos || blank == 0) return std::nullopt;
        const std::optional<std::int64_t> length = parseInteger(head.substr(blank + 1));
        text.remove_prefix(lineEnd + 1);
        if (!length || *length < 0 || static_cast<std::uint64_t>(*length) >= text.size() ||
            text[static_cast<std::size_t>(*length)] != '\n')
            return std::nullopt;
        const auto size = static_cast<std::size_t>(*length);
        request[std::string(head.substr(0, blank))] = std::string(text.substr(0, size));
        text.remove_prefix(size + 1);
    }
    return request;
}

}  // namespace orvalo
