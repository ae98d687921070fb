#pragma once
// The module's help files: one per language, next to the module's own file.

#include <string>

namespace ostrel2 {

// The module's folder ending in a separator, followed by "Ostrel2.hlp",
// "Ostrel2_d.hlp", "Ostrel2_f.hlp", "Ostrel2_i.hlp", "Ostrel2_e.hlp" or
// "Ostrel2_n.hlp" for languages 0 to 5; any other index gives "Ostrel2.hlp".
std::string helpFilePath(const std::string& moduleFolder, int language);

} // namespace ostrel2
