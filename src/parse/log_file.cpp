#include "parse/log_file.h"

#include <algorithm>
#include <filesystem>

#include "common/error.h"
#include "common/fnv_hash.h"
#include "parse/line_end.h"
#include "platform/system_error.h"

namespace qorn {

LogFile::LogFile(const std::string& path) : path_(path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(platform::PathOf(path), ec);
  absolutePath_ = ec ? path : platform::Utf8Of(absolute.lexically_normal());
  file_ = platform::File::OpenForReading(path);
  if (!file_.IsOpen()) {
    const std::string why = platform::SystemError::Last().Text();
    throw Error("Cannot open the log file " + path + ": " + why, why);
  }
  const std::optional<platform::FileStatus> st = file_.Status();
  if (!st || st->Kind != platform::FileKind::File) {
    const std::string why = !st ? platform::SystemError::Last().Text()
                            : st->Kind == platform::FileKind::Folder ? "it is a folder"
                                                                     : "it is not a file";
    throw Error("Cannot read the log file " + path + ": " + why, why);
  }
  identity_ = st->Identity;
  size_ = st->Size;
  mtimeNs_ = st->MTimeNs;
}

LogFile::~LogFile() = default;

size_t LogFile::ReadAt(long long offset, char* into, size_t count) const {
  const long long got = file_.ReadAt(offset, into, count);
  if (got < 0) {
    const std::string why = platform::SystemError::Last().Text();
    throw Error("Cannot read the log file " + path_ + ": " + why, why);
  }
  return static_cast<size_t>(got);
}

std::string LogFile::Read(long long offset, long long count) const {
  std::string out(static_cast<size_t>(std::max(0LL, count)), '\0');
  out.resize(ReadAt(offset, out.data(), out.size()));
  return out;
}

bool LogFile::EndsAtLineEnd(long long bytes) const {
  if (bytes <= 0) return true;
  char last = 0;
  return ReadAt(bytes - 1, &last, 1) == 1 && IsLineEnd(last);
}

long long LogFile::LineStartFrom(long long offset) const {
  if (offset <= 0 || offset >= size_) return std::max(offset, 0LL);
  // The bytes from the one before `offset` on, one more than is looked at in
  // each read: whether a carriage return ends a line depends on the byte
  // behind it.
  char buffer[64 * 1024 + 1];
  long long at = offset - 1;
  size_t held = 0;  // bytes of the buffer read, from `at`
  for (;;) {
    const long long left = std::max(0LL, size_ - at - static_cast<long long>(held));
    const size_t want = std::min(sizeof buffer - held, static_cast<size_t>(left));
    const size_t n = ReadAt(at + static_cast<long long>(held), buffer + held, want);
    held += n;
    const bool last = n < want || held < sizeof buffer;  // nothing behind what is held
    const size_t look = last ? held : held - 1;
    for (size_t i = 0; i < look; ++i) {
      if (EndsLineAt(buffer + i, buffer + held)) return at + static_cast<long long>(i) + 1;
    }
    if (last) break;
    at += static_cast<long long>(look);
    buffer[0] = buffer[look];
    held = 1;
  }
  return at + static_cast<long long>(held);
}

LogIdentity LogFile::Identify(long long bytes) const {
  LogIdentity id;
  id.Path = absolutePath_;
  id.Device = identity_.Device;
  id.Inode = identity_.Inode;
  id.MTimeNs = mtimeNs_;
  id.Bytes = bytes;
  id.HeadHash = Fnv1a(Read(0, std::min(bytes, kLogHeadBytes)));
  const long long tail = std::max(0LL, bytes - kLogTailBytes);
  id.TailHash = Fnv1a(Read(tail, bytes - tail));
  // The middle, seen through samples: an edit between the head and the tail
  // is noticed where it touches one of them.
  if (bytes > kLogHeadBytes + kLogTailBytes) {
    uint64_t hash = kFnvBasis;
    const long long span = bytes - kLogHeadBytes - kLogTailBytes - kLogSampleBytes;
    for (int i = 0; i < kLogSamples; ++i) {
      const long long at = kLogHeadBytes + std::max(0LL, span) * i / (kLogSamples - 1);
      for (const char c : Read(at, kLogSampleBytes)) hash = FnvStep(hash, c);
    }
    id.SampleHash = hash;
  }
  return id;
}

LogSince LogFile::Glance(const LogIdentity& stored) const {
  if (absolutePath_ != stored.Path || identity_.Device != stored.Device ||
      identity_.Inode != stored.Inode) {
    return LogSince::Replaced;
  }
  if (size_ < stored.Bytes) return LogSince::Shrank;
  return size_ > stored.Bytes ? LogSince::Grew : LogSince::Unchanged;
}

LogSince LogFile::Since(const LogIdentity& stored) const {
  const LogSince glance = Glance(stored);
  if (glance == LogSince::Replaced || glance == LogSince::Shrank) return glance;
  const LogIdentity now = Identify(stored.Bytes);
  if (now.HeadHash != stored.HeadHash || now.TailHash != stored.TailHash ||
      now.SampleHash != stored.SampleHash) {
    return LogSince::Edited;
  }
  if (glance == LogSince::Grew) return glance;
  return mtimeNs_ == stored.MTimeNs ? LogSince::Unchanged : LogSince::Edited;
}

}  // namespace qorn
