#include "source/source_strings.h"

#include "platform/strings/string_entry.h"

namespace dorsa::generated {
extern const platform::strings::StringEntry kStringTable[];
extern const unsigned kStringTableSize;
}  // namespace dorsa::generated

namespace dorsa {

const char* sourceString(int id)
{
    const char* text = platform::strings::findString(generated::kStringTable, generated::kStringTableSize, id);
    return text ? text : "";
}

}  // namespace dorsa
