#pragma once
// The data source's string table (source_strings.tsv, compiled in).

namespace dorsa {

inline constexpr int kStringVersionInfo = 1;
inline constexpr int kStringManufacturer = 2;
inline constexpr int kStringProductFamily = 3;
inline constexpr int kStringAuthor = 8;
inline constexpr int kStringCaption = 9;
inline constexpr int kStringTransferExtension = 10;

// The text of id; "" when the table has none.
const char* sourceString(int id);

}  // namespace dorsa
