// An initialization file in memory: [Section] lines and Key=Value lines. Section and
// key names match without regard to case; only the first "=" of a line splits it.
// Writing a key updates it in place or adds it at the end of its section, so lines
// the program does not know survive a rewrite. A plain value type; not thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvalo {

class IniDocument {
public:
    static IniDocument parse(std::string_view text);

    // The value of the first such key in the section, blanks trimmed.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // A value that is not a whole number gives the fallback.
    std::int64_t readInteger(std::string_view section, std::string_view key, std::int64_t fallback) const;
    // Read as an integer: anything but 0 is true.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int64_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"

    // The file text, every line ending in CR LF.
    std::string text() const;

private:
    struct Line {
        enum class Kind { Section, Entry, Other } kind = Kind::Other;
        std::string name;   // section or key name as written
        std::string value;  // entry value
        std::string raw;    // the line as written, for Other lines
    };
    // Index of the section line, or -1.
    int findSection(std::string_view section) const;
    // End of the section starting at line index start: the next section line or the end.
    std::size_t sectionEnd(std::size_t start) const;

    std::vector<Line> lines_;
};

}  // namespace orvalo
