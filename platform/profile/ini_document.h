#pragma once
// The text of one INI file held as its lines, so that changing one key
// rewrites only that key's line and leaves every other byte as it was.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile {

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    // Value of the first matching key in the first matching section,
    // names compared without regard to ASCII case; surrounding blanks and
    // one pair of matching quotes are removed from the value.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Rewrites the key's line, or appends it to the section, or appends the
    // section at the end of the file.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key's line; false when there was none.
    bool removeKey(std::string_view section, std::string_view key);
    // Removes the section header and all its lines; false when there was none.
    bool removeSection(std::string_view section);

    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(std::string_view section) const;

    std::string text() const;

private:
    struct SectionRange {
        size_t header;  // index of the "[name]" line
        size_t end;     // one past the last line that belongs to the section
    };
    std::optional<SectionRange> findSection(std::string_view section) const;
    std::optional<size_t> findKey(const SectionRange& range, std::string_view key) const;

    std::string byteOrderMark_;       // a UTF-8 mark the file starts with, written back as it was
    std::vector<std::string> lines_;  // split at '\n'; a line that ended in "\r\n" keeps its '\r'
    std::string lineEnd_ = "\n";      // for new lines: "\r\n" when the file has any, else "\n"
    bool finalLineEnd_ = true;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace platform::profile
