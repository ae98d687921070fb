#include "module/help_files.h"

#include <array>

namespace ostrel2 {
namespace {

constexpr const char* kPlainHelpFile = "Ostrel2.hlp";
// Languages 1 to 5; English and anything unknown take the plain name.
constexpr std::array<const char*, 5> kLanguageHelpFiles = {
    "Ostrel2_d.hlp", "Ostrel2_f.hlp", "Ostrel2_i.hlp", "Ostrel2_e.hlp", "Ostrel2_n.hlp",
};

} // namespace

std::string helpFilePath(const std::string& moduleFolder, int language)
{
    const char* name = language >= 1 && language <= static_cast<int>(kLanguageHelpFiles.size())
                           ? kLanguageHelpFiles[static_cast<std::size_t>(language - 1)]
                           : kPlainHelpFile;
    return moduleFolder + name;
}

} // namespace ostrel2
