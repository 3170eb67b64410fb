#include "eventlist/ini_document.h"

#include "base/error.h"
#include "base/text.h"

namespace orvalo {

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(start, end - start);
        start = end;
        if (start < text.size() && text[start] == '\r') ++start;
        if (start < text.size() && text[start] == '\n') ++start;

        Line line;
        line.raw = std::string(raw);
        const std::string_view trimmed = trimWhitespace(raw);
        if (trimmed.starts_with('[')) {
            const auto close = trimmed.find(']');
            line.kind = Line::Kind::Section;
            line.name = std::string(trimWhitespace(trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
        } else if (!trimmed.starts_with(';') && trimmed.find('=') != std::string_view::npos) {
            const auto eq = trimmed.find('=');
            line.kind = Line::Kind::Entry;
            line.name = std::string(trimWhitespace(trimmed.substr(0, eq)));
            line.value = std::string(trimWhitespace(trimmed.substr(eq + 1)));
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

int IniDocument::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Kind::Section && equalsIgnoreCase(lines_[i].name, section)) return static_cast<int>(i);
    return -1;
}

std::size_t IniDocument::sectionEnd(std::size_t start) const {
    std::size_t end = start + 1;
    while (end < lines_.size() && lines_[end].kind != Line::Kind::Section) ++end;
    return end;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const {
    const int at = findSection(section);
    if (at < 0) return std::nullopt;
    const std::size_t end = sectionEnd(static_cast<std::size_t>(at));
    for (std::size_t i = static_cast<std::size_t>(at) + 1; i < end; ++i)
        if (lines_[i].kind == Line::Kind::Entry && equalsIgnoreCase(lines_[i].name, key)) return lines_[i].value;
    return std::nullopt;
}

std::string IniDocument::readString(std::string_view section, std::string_view key, std::string_view fallback) const {
    auto found = value(section, key);
    return found ? *found : std::string(fallback);
}

std::int64_t IniDocument::readInteger(std::string_view section, std::string_view key, std::int64_t fallback) const {
    const auto found = value(section, key);
    if (!found) return fallback;
    return parseInteger(*found).value_or(fallback);
}

bool IniDocument::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniDocument::writeString(std::string_view section, std::string_view key, std::string_view value) {
    // A line break would end the line early and turn the rest into keys of its own.
    if (value.find_first_of("\r\n") != std::string_view::npos || key.find_first_of("\r\n=") != std::string_view::npos ||
        section.find_first_of("\r\n]") != std::string_view::npos)
        throw Error("The setting " + std::string(section) + "/" + std::string(key) + " cannot hold a line break");
    Line entry;
    entry.kind = Line::Kind::Entry;
    entry.name = std::string(key);
    entry.value = std::string(value);

    int at = findSection(section);
    if (at < 0) {
        Line header;
        header.kind = Line::Kind::Section;
        header.name = std::string(section);
        lines_.push_back(std::move(header));
        lines_.push_back(std::move(entry));
        return;
    }
    const std::size_t end = sectionEnd(static_cast<std::size_t>(at));
    std::size_t insertAt = static_cast<std::size_t>(at) + 1;
    for (std::size_t i = insertAt; i < end; ++i) {
        if (lines_[i].kind != Line::Kind::Entry) continue;
        if (equalsIgnoreCase(lines_[i].name, key)) {
            lines_[i].value = entry.value;
            return;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

void IniDocument::writeInteger(std::string_view section, std::string_view key, std::int64_t value) {
    writeString(section, key, std::to_string(value));
}

void IniDocument::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

std::string IniDocument::text() const {
    std::string out;
    for (const Line& line : lines_) {
        switch (line.kind) {
            case Line::Kind::Section: out += "[" + line.name + "]"; break;
            case Line::Kind::Entry: out += line.name + "=" + line.value; break;
            case Line::Kind::Other: out += line.raw; break;
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace orvalo
