#include "module/module_strings.h"

#include "platform/strings/string_entry.h"

namespace ostrel2::generated {
extern const platform::strings::StringEntry kStringTable[];
extern const unsigned kStringTableSize;
} // namespace ostrel2::generated

namespace ostrel2 {

std::string loadModuleString(int id)
{
    const char* text = platform::strings::findString(generated::kStringTable, generated::kStringTableSize, id);
    return text != nullptr ? text : std::string();
}

std::string moduleString(int language, int n)
{
    // Widened so that any language index read from a file gives some id.
    const long long id = static_cast<long long>(language) * kLanguageBlockSize + n;
    if (id < 0 || id > 0x7FFFFFFF)
        return {};
    return loadModuleString(static_cast<int>(id));
}

std::string productName()
{
    return loadModuleString(kStrProductName);
}

} // namespace ostrel2
