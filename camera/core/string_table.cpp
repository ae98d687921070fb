#include "camera/core/string_table.h"

#include "platform/strings/string_entry.h"

namespace lumoset {
namespace generated {
extern const platform::strings::StringEntry kStringTable[];
extern const unsigned kStringTableSize;
} // namespace generated

std::string loadString(int id)
{
    const char* text = platform::strings::findString(generated::kStringTable,
                                                     generated::kStringTableSize, id);
    return text != nullptr ? std::string(text) : std::string();
}

} // namespace lumoset
