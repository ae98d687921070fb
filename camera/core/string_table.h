#pragma once
// The camera program's string table: every translatable text exists six
// times, 1000 ids apart (English at the base id, then Deutsch, Français,
// Italiano, Español, Nederlands). Texts are compiled in.

#include <string>

namespace lumoset {

inline constexpr int kLanguageCount = 6;
inline constexpr int kLanguageIdStep = 1000;

// String ids used outside a single owner.
inline constexpr int kStrProgramName = 5000;          // "Lumoset", message box caption
inline constexpr int kStrMemoryInsufficient = 10303;  // always English
inline constexpr int kStrFailToCreateWindow = 10304;  // always English
inline constexpr int kStrErrorToCreateLumoset = 10314;  // always English

// The text of a string id; empty when the table has no such id.
std::string loadString(int id);

} // namespace lumoset
