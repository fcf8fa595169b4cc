#include "cli/cli_args.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/character_name.h"
#include "common/error.h"
#include "common/number_format.h"
#include "common/text_encoding.h"
#include "store/database.h"
#include "views/tick_graphs.h"

namespace qorn::cli {

bool Args::Has(std::string_view flag) const {
  for (const auto& f : flags) {
    if (f == flag) return true;
  }
  return false;
}

std::optional<std::string> Args::Value(std::string_view key) const {
  const auto it = values.find(key);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

Args CommandLine::Read(const std::vector<std::string>& valueOptions,
                       const std::vector<std::string>& flagOptions) const {
  Args args;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (!word.starts_with("--")) {
      args.positional.push_back(word);
      continue;
    }
    bool known = false;
    for (const auto& opt : valueOptions) {
      if (word == opt) {
        if (i + 1 >= words.size()) throw UsageError{word + " needs a value"};
        args.values[word] = words[++i];
        known = true;
      }
    }
    for (const auto& opt : flagOptions) {
      if (word == opt) {
        args.flags.push_back(word);
        known = true;
      }
    }
    if (!known) throw UsageError{"unknown option " + word};
  }
  return args;
}

std::string NameOption(const Args& args, const std::string& command) {
  const auto name = args.Value("--name");
  if (!name) throw UsageError{command + " needs --name NAME, the character's name"};
  if (!IsCharacterName(*name)) {
    throw UsageError{"--name needs the character's name, letters a-z and A-Z only, not '" + *name +
                     "'"};
  }
  return GameName(*name);
}

void CheckLogCharacter(const Args& args, const std::string& logPath, const std::string& name) {
  const auto character = OtherCharacterOfLog(logPath, name);
  if (!character || args.Has("--other-name")) return;
  throw Error("The log " + logPath + " is " + *character + "'s, not " + name +
              "'s: read under " + name + " it gives its DoT ticks and pets but none of " +
              *character + "'s direct damage. Give --name " + *character +
              ", or --other-name to read it under " + name + " all the same.");
}

int32_t EventNumberArg(const std::string& text) {
  const auto value = ParseInt(text);
  if (!value || *value < 1 || *value > INT32_MAX) {
    throw UsageError{"EVENT must be a fight's number from 1, not '" + text + "'"};
  }
  return static_cast<int32_t>(*value);
}

Fight StoredFight(const std::string& database, const std::string& eventArg) {
  const int32_t eventNum = EventNumberArg(eventArg);
  const auto mob = EventMob(OpenForView(database).Path(), eventNum);
  if (!mob) {
    throw Error("The stored parse has no fight " + std::to_string(eventNum) +
                ". Run getlog or previous to list the fights.");
  }
  return Fight{eventNum, *mob};
}

Out& Out::operator<<(std::string_view s) {
  buffer_.append(s);
  if (buffer_.size() > (1 << 20)) Flush();
  return *this;
}

Out& Out::Text(std::string_view s) { return *this << TabSeparatedField(LogTextToUtf8(s)); }

Out& Out::Row(const std::vector<std::string>& cells) {
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) *this << "\t";
    *this << TabSeparatedField(cells[i]);
  }
  return *this << "\n";
}

Out::~Out() {
  // Never throws: a failed write stays marked on stdout for the command's end.
  std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
}

void Out::Flush() {
  const size_t size = buffer_.size();
  const bool written = std::fwrite(buffer_.data(), 1, size, stdout) == size;
  buffer_.clear();
  // A long print stops at the first failed write instead of going on.
  if (!written || std::ferror(stdout)) {
    throw Error(std::string("Cannot write the output: ") + std::strerror(errno));
  }
}

}  // namespace qorn::cli
