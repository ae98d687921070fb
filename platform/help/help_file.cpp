#include "platform/help/help_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace platform::help {

struct HelpFileBuilder {
  static std::vector<HelpTopic>& topics(HelpFile& file) { return file.topics_; }
};

const HelpTopic* HelpFile::find(ContextId id) const {
  auto it = std::find_if(topics_.begin(), topics_.end(),
                         [id](const HelpTopic& topic) { return topic.id == id; });
  return it == topics_.end() ? nullptr : &*it;
}

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

HelpFileResult failure(HelpFileError error, int line, std::string message) {
  HelpFileResult result;
  result.error = error;
  result.line = line;
  result.message = std::move(message);
  return result;
}

std::string_view trim(std::string_view s) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not well
// formed (overlong forms, surrogates and values past U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint32_t value = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  return length;
}

// Checks the encoding of the whole text; on failure returns the 1-based line
// of the first bad byte, else 0.
int firstBadEncodingLine(std::string_view text) {
  int line = 1;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++line;
      ++i;
      continue;
    }
    if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7F) return line;
    const std::size_t length = utf8SequenceLength(text, i);
    if (length == 0) return line;
    i += length;
  }
  return 0;
}

class Parser {
public:
  HelpFileResult run(std::string_view text) {
    if (text.size() > kMaxHelpFileBytes) {
      return failure(HelpFileError::TooLarge, 0, "The help file is larger than 1 MB.");
    }
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
    if (const int bad = firstBadEncodingLine(text); bad != 0) {
      return failure(HelpFileError::BadEncoding, bad,
                     "Line " + std::to_string(bad) + " is not UTF-8 text.");
    }
    int lineNumber = 0;
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++lineNumber;
      if (lineNumber == 1) {
        if (trim(line) != kHelpFileSignature) {
          return failure(HelpFileError::NotHelpFile, 1, "The file is not a help file.");
        }
        continue;
      }
      if (line.size() > kMaxLineBytes) return malformed(lineNumber, "the line is too long");
      if (!takeLine(line)) return malformed(lineNumber, problem_);
    }
    if (lineNumber == 0) {
      return failure(HelpFileError::NotHelpFile, 0, "The file is not a help file.");
    }
    HelpFileResult result;
    result.file = std::move(file_);
    return result;
  }

private:
  static HelpFileResult malformed(int line, const std::string& problem) {
    return failure(HelpFileError::Malformed, line,
                   "Line " + std::to_string(line) + " of the help file: " + problem + ".");
  }

  bool takeLine(std::string_view line) {
    if (!line.empty() && line.front() == '#') return true;
    const std::string_view text = trim(line);
    if (text.empty()) {
      paragraphOpen_ = false;
      return true;
    }
    if (line.front() == '[') return startTopic(line);
    if (topic_ == nullptr) return fail("text before the first topic");
    const bool listItem = text.size() >= 2 && text[0] == '-' && text[1] == ' ';
    if (listItem || !paragraphOpen_) {
      topic_->paragraphs.push_back(HelpParagraph{std::string(), listItem});
      topicBytes_ += 1;
    }
    HelpParagraph& paragraph = topic_->paragraphs.back();
    const std::string_view words = listItem ? trim(text.substr(2)) : text;
    if (!paragraph.text.empty()) {
      paragraph.text += ' ';
      topicBytes_ += 1;
    }
    paragraph.text += words;
    topicBytes_ += words.size();
    paragraphOpen_ = true;
    if (topicBytes_ > kMaxTopicBytes) return fail("the topic is longer than 16 KB");
    return true;
  }

  // "[<id>] <title>"
  bool startTopic(std::string_view line) {
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return fail("a topic line needs \"[id] title\"");
    const std::string_view digits = line.substr(1, close - 1);
    if (digits.empty() || digits.size() > 10) return fail("the context id is not a number");
    std::uint64_t id = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return fail("the context id is not a number");
      id = id * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (id > kMaxContextId) return fail("the context id is too large");
    const std::string_view title = trim(line.substr(close + 1));
    if (title.empty()) return fail("the topic has no title");
    if (title.size() > kMaxTitleBytes) return fail("the title is too long");
    auto& topics = HelpFileBuilder::topics(file_);
    if (file_.find(static_cast<ContextId>(id)) != nullptr) {
      return fail("context id " + std::to_string(id) + " is used twice");
    }
    if (topics.size() == kMaxTopics) return fail("the file holds too many topics");
    topics.push_back(HelpTopic{static_cast<ContextId>(id), std::string(title), {}});
    topic_ = &topics.back();
    topicBytes_ = title.size();
    paragraphOpen_ = false;
    return true;
  }

  bool fail(std::string problem) {
    problem_ = std::move(problem);
    return false;
  }

  HelpFile file_;
  HelpTopic* topic_ = nullptr;  // the topic being read; topics_ only grows at its end
  std::size_t topicBytes_ = 0;
  bool paragraphOpen_ = false;
  std::string problem_;
};

class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

private:
  int fd_;
};

} // namespace

HelpFileResult parseHelpFile(std::string_view text) { return Parser().run(text); }

HelpFileResult loadHelpFile(const std::string& path) {
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return failure(HelpFileError::NotFound, 0, "The help file " + path + " was not found.");
    }
    return failure(HelpFileError::Unreadable, 0, "The help file " + path + " cannot be read.");
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return failure(HelpFileError::NotFound, 0, "The help file " + path + " was not found.");
  }
  if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > kMaxHelpFileBytes) {
    return failure(HelpFileError::TooLarge, 0,
                   "The help file " + path + " is larger than 1 MB.");
  }
  // Read one byte past the size fstat gave so a file that grew since is
  // still refused when it passes the limit, rather than cut short.
  std::string text(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t filled = 0;
  while (filled < text.size()) {
    const ssize_t got = ::read(fd.get(), text.data() + filled, text.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      return failure(HelpFileError::Unreadable, 0, "The help file " + path + " cannot be read.");
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
    if (filled == text.size() && filled <= kMaxHelpFileBytes) text.resize(kMaxHelpFileBytes + 1);
  }
  text.resize(filled);
  HelpFileResult result = parseHelpFile(text);
  if (!result.ok() && result.error != HelpFileError::TooLarge) {
    result.message = path + ": " + result.message;
  } else if (result.error == HelpFileError::TooLarge) {
    result.message = "The help file " + path + " is larger than 1 MB.";
  }
  return result;
}

} // namespace platform::help
