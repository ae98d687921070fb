#include "ini_document.h"

#include <algorithm>

namespace platform::profile {
namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";
// Editors on the other system often start a UTF-8 file with this mark; it is
// not part of the first line, which may be a section header.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s)
{
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// "[name]" gives name; a line that does not start with '[' is no header.
// A header without its closing bracket still names a section, as the
// Windows reader accepts it.
std::optional<std::string_view> sectionHeaderName(std::string_view line)
{
    line = trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    const size_t close = line.find(']');
    return trim(close == std::string_view::npos ? line : line.substr(0, close));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    const std::string_view trimmed = trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return std::nullopt;
    const size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine{trim(trimmed.substr(0, eq)), trim(trimmed.substr(eq + 1))};
}

// A new line as the file ends its lines: lines are split at '\n' and keep
// their '\r', so a file mixing both ends is written back byte for byte.
std::string withLineEnd(std::string line, std::string_view lineEnd)
{
    if (lineEnd == "\r\n" && (line.empty() || line.back() != '\r'))
        line += '\r';
    return line;
}

std::string_view unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

IniDocument::IniDocument(std::string_view text)
{
    if (text.starts_with(kUtf8ByteOrderMark)) {
        byteOrderMark_ = kUtf8ByteOrderMark;
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    if (text.empty())
        return;
    if (text.find("\r\n") != std::string_view::npos)
        lineEnd_ = "\r\n";
    finalLineEnd_ = text.back() == '\n';
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos)
            nl = text.size();
        std::string_view line = text.substr(start, nl - start);
        lines_.emplace_back(line);
        start = nl + 1;
    }
}

std::optional<IniDocument::SectionRange> IniDocument::findSection(std::string_view section) const
{
    const std::string_view wanted = trim(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        const auto name = sectionHeaderName(lines_[i]);
        if (!name || !equalsIgnoringCase(*name, wanted))
            continue;
        size_t end = i + 1;
        while (end < lines_.size() && !sectionHeaderName(lines_[end]))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> IniDocument::findKey(const SectionRange& range, std::string_view key) const
{
    const std::string_view wanted = trim(key);
    for (size_t i = range.header + 1; i < range.end; ++i) {
        const auto kv = keyLine(lines_[i]);
        if (kv && equalsIgnoringCase(kv->key, wanted))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const
{
    const auto range = findSection(section);
    if (!range)
        return std::nullopt;
    const auto at = findKey(*range, key);
    if (!at)
        return std::nullopt;
    return std::string(unquote(keyLine(lines_[*at])->value));
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string_view cleanKey = trim(key);
    if (const auto range = findSection(section)) {
        if (const auto at = findKey(*range, cleanKey)) {
            // Keep the key as it was spelt in the file.
            const std::string existingKey(keyLine(lines_[*at])->key);
            const bool carriageReturn = !lines_[*at].empty() && lines_[*at].back() == '\r';
            lines_[*at] = existingKey + "=" + std::string(value) + (carriageReturn ? "\r" : "");
            return;
        }
        // After the section's last non-blank line, so blank separators stay
        // between sections.
        size_t insertAt = range->end;
        while (insertAt > range->header + 1 && trim(lines_[insertAt - 1]).empty())
            --insertAt;
        if (insertAt == lines_.size() && !finalLineEnd_)
            lines_.back() = withLineEnd(std::move(lines_.back()), lineEnd_);
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                      withLineEnd(std::string(cleanKey) + "=" + std::string(value), lineEnd_));
        return;
    }
    if (!lines_.empty() && !finalLineEnd_)
        lines_.back() = withLineEnd(std::move(lines_.back()), lineEnd_);
    if (!lines_.empty() && !trim(lines_.back()).empty())
        lines_.push_back(withLineEnd({}, lineEnd_));
    lines_.push_back(withLineEnd("[" + std::string(trim(section)) + "]", lineEnd_));
    lines_.push_back(withLineEnd(std::string(cleanKey) + "=" + std::string(value), lineEnd_));
    finalLineEnd_ = true;
}

bool IniDocument::removeKey(std::string_view section, std::string_view key)
{
    const auto range = findSection(section);
    if (!range)
        return false;
    const auto at = findKey(*range, key);
    if (!at)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
    return true;
}

bool IniDocument::removeSection(std::string_view section)
{
    const auto range = findSection(section);
    if (!range)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    return true;
}

std::vector<std::string> IniDocument::sectionNames() const
{
    std::vector<std::string> names;
    for (const auto& line : lines_)
        if (const auto name = sectionHeaderName(line))
            names.emplace_back(*name);
    return names;
}

std::vector<std::string> IniDocument::keyNames(std::string_view section) const
{
    std::vector<std::string> names;
    if (const auto range = findSection(section))
        for (size_t i = range->header + 1; i < range->end; ++i)
            if (const auto kv = keyLine(lines_[i]))
                names.emplace_back(kv->key);
    return names;
}

std::string IniDocument::text() const
{
    std::string out = byteOrderMark_;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || finalLineEnd_)
            out += '\n';
    }
    return out;
}

} // namespace platform::profile
