#include "store/log_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <map>

#include "common/error.h"
#include "common/fnv_hash.h"
#include "parse/block_reader.h"
#include "store/database.h"

namespace qorn {
namespace {

constexpr long long kHeadBytes = 64 << 10;
constexpr long long kTailBytes = 4 << 10;

// An open file, closed when it goes.
class File {
 public:
  explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0) {
      throw Error("Cannot open the log file " + path + ": " + std::strerror(errno));
    }
  }
  ~File() { ::close(fd_); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  int Fd() const { return fd_; }

  // The bytes from `offset`, as many as there are up to `count`.
  std::string Read(long long offset, long long count) const {
    std::string out(static_cast<size_t>(std::max(0LL, count)), '\0');
    size_t got = 0;
    while (got < out.size()) {
      const ssize_t n = ::pread(fd_, out.data() + got, out.size() - got,
                                static_cast<off_t>(offset + static_cast<long long>(got)));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    out.resize(got);
    return out;
  }

 private:
  int fd_;
};

std::string Number(int64_t n) { return std::to_string(n); }
std::string Unsigned(uint64_t n) { return std::to_string(n); }

template <typename T>
bool ReadNumber(const std::string& text, T& out) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += n + '\n';
  return out;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
    out.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  return out;
}

}  // namespace

LogIdentity IdentifyLog(const std::string& path, long long bytes) {
  LogIdentity id;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  id.Path = ec ? path : absolute.lexically_normal().string();
  const File file(path);
  struct stat st {};
  if (::fstat(file.Fd(), &st) != 0) {
    throw Error("Cannot read the log file " + path + ": " + std::strerror(errno));
  }
  id.Device = static_cast<uint64_t>(st.st_dev);
  id.Inode = static_cast<uint64_t>(st.st_ino);
  id.MTimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  id.Bytes = bytes;
  id.HeadHash = Fnv1a(file.Read(0, std::min(bytes, kHeadBytes)));
  const long long tail = std::max(0LL, bytes - kTailBytes);
  id.TailHash = Fnv1a(file.Read(tail, bytes - tail));
  // The middle, seen through samples: an edit between the head and the tail
  // is noticed where it touches one of them.
  if (bytes > kHeadBytes + kTailBytes) {
    std::string samples;
    samples.reserve(static_cast<size_t>(kLogSamples * kLogSampleBytes));
    const long long span = bytes - kHeadBytes - kTailBytes - kLogSampleBytes;
    for (int i = 0; i < kLogSamples; ++i) {
      const long long at = kHeadBytes + std::max(0LL, span) * i / (kLogSamples - 1);
      samples += file.Read(at, kLogSampleBytes);
    }
    id.SampleHash = Fnv1a(samples);
  }
  return id;
}

bool SameLogContent(const LogIdentity& stored, const LogIdentity& now) {
  return now.Path == stored.Path && now.Device == stored.Device && now.Inode == stored.Inode &&
         now.HeadHash == stored.HeadHash && now.TailHash == stored.TailHash &&
         now.SampleHash == stored.SampleHash;
}

void WriteStoredLog(Database& db, const StoredLog& s) {
  const std::map<std::string, std::string> values = {
      {"LogPath", s.Log.Path},
      {"LogDevice", Unsigned(s.Log.Device)},
      {"LogInode", Unsigned(s.Log.Inode)},
      {"LogBytes", Number(s.Log.Bytes)},
      {"LogMTime", Number(s.Log.MTimeNs)},
      {"LogHeadHash", Unsigned(s.Log.HeadHash)},
      {"LogTailHash", Unsigned(s.Log.TailHash)},
      {"LogSampleHash", Unsigned(s.Log.SampleHash)},
      {"CharName", s.CharName},
      {"EndsAtLineEnd", s.End.EndsAtLineEnd ? "1" : "0"},
      {"Buffs", std::string{s.End.Buffs[0] ? '1' : '0', s.End.Buffs[1] ? '1' : '0',
                            s.End.Buffs[2] ? '1' : '0'}},
      {"DotSeen", s.End.DotSeen ? "1" : "0"},
      {"LastDotMob", s.End.LastDotMob},
      {"PetNames", Joined(s.End.PetNames)},
      {"NextRecNum", Number(s.NextRecNum)},
      {"NextCastNum", Number(s.NextCastNum)},
  };
  Statement put(db, "INSERT OR REPLACE INTO ParseState (Name, Value) VALUES (?, ?)");
  for (const auto& [name, value] : values) {
    // Log texts are bytes in the game's code page: kept as they are, as blobs.
    put.Bind(1, name).BindBlob(2, value);
    put.Step();
    put.Reset();
  }
}

std::optional<StoredLog> ReadStoredLog(Database& db) {
  std::map<std::string, std::string> values;
  {
    Statement all(db, "SELECT Name, Value FROM ParseState");
    while (all.Step()) {
      values.emplace(std::string(all.ColumnText(0)), std::string(all.ColumnBlob(1)));
    }
  }
  auto get = [&](const char* name) -> const std::string* {
    const auto it = values.find(name);
    return it == values.end() ? nullptr : &it->second;
  };
  StoredLog s;
  // A parse stored without the samples' hash is read whole once more.
  const char* required[] = {"LogPath",    "LogDevice",     "LogInode",    "LogBytes",
                            "LogMTime",   "LogHeadHash",   "LogTailHash", "LogSampleHash",
                            "CharName",   "EndsAtLineEnd", "Buffs",       "DotSeen",
                            "LastDotMob", "PetNames",      "NextRecNum",  "NextCastNum"};
  for (const char* name : required) {
    if (get(name) == nullptr) return std::nullopt;
  }
  const std::string& buffs = *get("Buffs");
  if (buffs.size() != 3) return std::nullopt;
  s.Log.Path = *get("LogPath");
  s.CharName = *get("CharName");
  s.End.EndsAtLineEnd = *get("EndsAtLineEnd") == "1";
  for (int i = 0; i < 3; ++i) s.End.Buffs[i] = buffs[static_cast<size_t>(i)] == '1';
  s.End.DotSeen = *get("DotSeen") == "1";
  s.End.LastDotMob = *get("LastDotMob");
  s.End.PetNames = Split(*get("PetNames"));
  if (!ReadNumber(*get("LogDevice"), s.Log.Device) || !ReadNumber(*get("LogInode"), s.Log.Inode) ||
      !ReadNumber(*get("LogBytes"), s.Log.Bytes) || !ReadNumber(*get("LogMTime"), s.Log.MTimeNs) ||
      !ReadNumber(*get("LogHeadHash"), s.Log.HeadHash) ||
      !ReadNumber(*get("LogTailHash"), s.Log.TailHash) ||
      !ReadNumber(*get("LogSampleHash"), s.Log.SampleHash) ||
      !ReadNumber(*get("NextRecNum"), s.NextRecNum) ||
      !ReadNumber(*get("NextCastNum"), s.NextCastNum)) {
    return std::nullopt;
  }
  s.End.Bytes = s.Log.Bytes;
  return s;
}

bool LogHoldsAnyOf(const std::string& path, long long bytes,
                   const std::vector<std::string>& texts) {
  if (texts.empty() || bytes <= 0) return false;
  BlockReader reader(path, 0, bytes);
  std::string_view block;
  while (reader.Next(block)) {
    for (const std::string& t : texts) {
      if (!t.empty() && ::memmem(block.data(), block.size(), t.data(), t.size()) != nullptr) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace qorn
