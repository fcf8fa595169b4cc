#include "ui/settings_file.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <string_view>
#include <vector>

#include "commands/program_folder.h"
#include "export/file_output.h"
#include "platform/paths.h"
#include "common/error.h"
#include "common/number_format.h"

namespace qorn {

namespace {

// Every field the program reads from the file, in the order it writes them
// (a line each): the name first, as the file always held it, then the
// meter's.
constexpr std::string_view kKeys[] = {"Name", "Meter", "MeterPlace", "MeterOpacity", "MeterLocked"};

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
    const size_t equals = field_.find('=');
    if (!tooLong_ && equals != std::string::npos) {
      const auto key = std::find(std::begin(kKeys), std::end(kKeys), field_.substr(0, equals));
      if (key != std::end(kKeys)) fields_[std::string(*key)] = field_.substr(equals + 1);
    }
    field_.clear();
    tooLong_ = false;
    state_ = State::Start;
  }
  // The last value of each key met.
  const std::map<std::string, std::string>& Fields() const { return fields_; }

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
  std::map<std::string, std::string> fields_;
};

std::map<std::string, std::string> ReadFields(const std::string& folder) {
  const std::string path = InProgramFolder(folder, kSettingsFile);
  const std::optional<platform::FileStatus> status = platform::Status(path);
  if (!status || status->Kind != platform::FileKind::File) return {};
  std::ifstream in(platform::PathOf(path), std::ios::binary);
  if (!in) return {};
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
  return reader.Fields();
}

// Writes the file anew with `fields`, a line each in kKeys' order (through a
// temporary file renamed into place, as every file the program writes).
void WriteFields(const std::string& folder, const std::map<std::string, std::string>& fields) {
  std::string content;
  for (const std::string_view key : kKeys) {
    const auto it = fields.find(std::string(key));
    if (it != fields.end()) content += std::string(key) + "=" + it->second + "\r\n";
  }
  WriteFileReplacing(InProgramFolder(folder, kSettingsFile), content);
}

// Whole numbers apart by blanks (a comma would end the field).
std::optional<std::vector<int>> Numbers(const std::string& text, size_t count) {
  std::vector<int> numbers;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find(' ', at), text.size());
    const std::optional<int64_t> n = ParseInt(std::string_view(text).substr(at, end - at));
    if (!n || *n < -1000000 || *n > 1000000) return std::nullopt;
    numbers.push_back(static_cast<int>(*n));
    at = text.find_first_not_of(' ', end);
    if (at == std::string::npos) break;
  }
  if (numbers.size() != count) return std::nullopt;
  return numbers;
}

}  // namespace

std::optional<std::string> ReadSettingsName(const std::string& folder) {
  const std::map<std::string, std::string> fields = ReadFields(folder);
  const auto it = fields.find("Name");
  if (it == fields.end()) return std::nullopt;
  return it->second;
}

void WriteSettingsName(const std::string& folder, const std::string& name) {
  std::map<std::string, std::string> fields = ReadFields(folder);
  fields["Name"] = name;
  WriteFields(folder, fields);
}

MeterSettings ReadMeterSettings(const std::string& folder) {
  const std::map<std::string, std::string> fields = ReadFields(folder);
  auto field = [&fields](const char* key) -> std::string {
    const auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
  };
  MeterSettings meter;
  meter.Shown = field("Meter") == "1";
  meter.Locked = field("MeterLocked") == "1";
  if (const auto opacity = Numbers(field("MeterOpacity"), 1)) {
    meter.Opacity = std::clamp((*opacity)[0], kLeastMeterOpacity, 100);
  }
  if (const auto place = Numbers(field("MeterPlace"), 4)) {
    const std::vector<int>& p = *place;
    if (p[2] > 0 && p[3] > 0) meter.Place = MeterPlace{p[0], p[1], p[2], p[3]};
  }
  return meter;
}

void WriteMeterSettings(const std::string& folder, const MeterSettings& meter) {
  std::map<std::string, std::string> fields = ReadFields(folder);
  fields["Meter"] = meter.Shown ? "1" : "0";
  fields["MeterLocked"] = meter.Locked ? "1" : "0";
  fields["MeterOpacity"] = std::to_string(meter.Opacity);
  if (meter.Place) {
    const MeterPlace& p = *meter.Place;
    fields["MeterPlace"] = std::to_string(p.X) + " " + std::to_string(p.Y) + " " +
                           std::to_string(p.Width) + " " + std::to_string(p.Height);
  }
  WriteFields(folder, fields);
}

}  // namespace qorn
