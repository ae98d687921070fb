#pragma once
// The string-resource service: a deliverable's texts are compiled into a
// table sorted by id (cmake/gen_string_table.py writes it) and looked up by
// id, as a program loads a string resource.

#include <algorithm>
#include <string_view>

namespace platform::strings {

struct StringEntry {
    int id;
    const char* text;  // UTF-8
};

// The text of id, or nullptr when the table has none.
inline const char* findString(const StringEntry* table, unsigned size, int id)
{
    const StringEntry* end = table + size;
    const StringEntry* it =
        std::lower_bound(table, end, id, [](const StringEntry& e, int wanted) { return e.id < wanted; });
    return (it != end && it->id == id) ? it->text : nullptr;
}

} // namespace platform::strings
