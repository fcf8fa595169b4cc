#include "ui/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "common/error.h"
#include "commands/program_folder.h"

namespace qorn {
namespace fs = std::filesystem;

namespace {

// A field longer than this is no name the program wrote; it is skipped, so
// that reading a huge file holds no more than a buffer and one field.
constexpr size_t kMaxField = 1024;

// Splits the file into fields as it streams by: a field ends at a comma or
// a line end; a quoted field keeps its commas and line ends; blanks before
// a field and after an unquoted one are dropped.
class FieldReader {
 public:
  void Feed(char c) {
    switch (state_) {
      case State::Start:
        if (c == ' ') return;
        if (c == '"') {
          state_ = State::Quoted;
          return;
        }
        if (IsEnd(c)) return Finish();
        state_ = State::Plain;
        return Add(c);
      case State::Plain:
        return IsEnd(c) ? Finish() : Add(c);
      case State::Quoted:
        if (c == '"') {
          state_ = State::AfterQuote;
          return;
        }
        return Add(c);
      case State::AfterQuote:
        if (IsEnd(c)) Finish();
        return;  // text after the closing quote is dropped
    }
  }
  void Finish() {
    if (state_ == State::Plain) {
      while (!field_.empty() && field_.back() == ' ') field_.pop_back();
    }
    if (!tooLong_ && field_.rfind("Name=", 0) == 0) name_ = field_.substr(5);
    field_.clear();
    tooLong_ = false;
    state_ = State::Start;
  }
  const std::optional<std::string>& Name() const { return name_; }

 private:
  enum class State { Start, Plain, Quoted, AfterQuote };
  static bool IsEnd(char c) { return c == ',' || c == '\r' || c == '\n'; }
  void Add(char c) {
    if (field_.size() < kMaxField) {
      field_ += c;
    } else {
      tooLong_ = true;
    }
  }

  State state_ = State::Start;
  std::string field_;
  bool tooLong_ = false;
  std::optional<std::string> name_;
};

}  // namespace

std::optional<std::string> ReadSettingsName(const std::string& folder) {
  const std::string path = InProgramFolder(folder, kSettingsFile);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  FieldReader reader;
  char buffer[16384];
  bool first = true;
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    std::string_view chunk(buffer, static_cast<size_t>(in.gcount()));
    // An editor may put a UTF-8 byte-order mark before "Name=".
    if (first && chunk.starts_with("\xEF\xBB\xBF")) chunk.remove_prefix(3);
    first = false;
    for (char c : chunk) reader.Feed(c);
  }
  reader.Finish();
  return reader.Name();
}

void WriteSettingsName(const std::string& folder, const std::string& name) {
  const std::string path = InProgramFolder(folder, kSettingsFile);
  const std::string temp = path + ".new";
  const std::string content = "Name=" + name + "\r\n";
  auto fail = [&](const std::string& why) {
    std::remove(temp.c_str());
    throw Error("Cannot write " + path + ": " + why);
  };
  FILE* out = std::fopen(temp.c_str(), "wb");
  if (out == nullptr) fail(std::strerror(errno));
  const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
  const int writeErrno = errno;
  if (std::fclose(out) != 0 || !written) fail(std::strerror(written ? errno : writeErrno));
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) fail(ec.message());
}

}  // namespace qorn
