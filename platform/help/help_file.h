#pragma once
// Help files: UTF-8 text holding one topic per context id. The format is
// described in this folder's README; parseHelpFile is its only reader.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::help {

using ContextId = std::uint32_t;

// The first line of every help file: a magic word and the format version.
inline constexpr std::string_view kHelpFileSignature = "LUMO-HELP 1";

// Limits a help file must keep; anything beyond them is refused before it is
// kept in memory.
inline constexpr std::size_t kMaxHelpFileBytes = 1024 * 1024;
inline constexpr std::size_t kMaxLineBytes = 4096;
inline constexpr std::size_t kMaxTitleBytes = 200;
inline constexpr std::size_t kMaxTopicBytes = 16 * 1024;
inline constexpr std::size_t kMaxTopics = 4096;
inline constexpr ContextId kMaxContextId = 0x7FFFFFFF;

struct HelpParagraph {
  std::string text;
  bool listItem = false;  // written with "- " in the file, shown with a bullet
};

struct HelpTopic {
  ContextId id = 0;
  std::string title;
  std::vector<HelpParagraph> paragraphs;
};

class HelpFile {
public:
  // Topics in the order the file lists them.
  const std::vector<HelpTopic>& topics() const { return topics_; }
  // The topic with this context id, or null.
  const HelpTopic* find(ContextId id) const;

private:
  friend struct HelpFileBuilder;
  std::vector<HelpTopic> topics_;
};

enum class HelpFileError {
  None,
  NotFound,      // no file at the path (or not a regular file)
  Unreadable,    // the file exists but could not be read
  TooLarge,      // over kMaxHelpFileBytes
  NotHelpFile,   // the first line is not kHelpFileSignature
  BadEncoding,   // not UTF-8, or holds control characters
  Malformed,     // a line breaks the format or a limit
};

struct HelpFileResult {
  HelpFile file;
  HelpFileError error = HelpFileError::None;
  int line = 0;         // 1-based line of a format error, 0 when none applies
  std::string message;  // English, for the notice the user sees

  bool ok() const { return error == HelpFileError::None; }
};

// Parses the whole text of a help file.
HelpFileResult parseHelpFile(std::string_view text);

// Reads and parses the help file at `path` (UTF-8 file name).
HelpFileResult loadHelpFile(const std::string& path);

} // namespace platform::help
