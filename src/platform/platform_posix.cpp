// The platform layer on Linux and other POSIX systems.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_error.h"

namespace qorn::platform {
namespace fs = std::filesystem;

SystemError SystemError::Last() { return SystemError(errno); }
SystemError SystemError::EndedEarly() { return SystemError(EIO); }
bool SystemError::NotFound() const { return code_ == ENOENT; }
bool SystemError::FileOnTheWay() const { return code_ == ENOTDIR; }
bool SystemError::AlreadyExists() const { return code_ == EEXIST; }
bool SystemError::DiskFull() const { return code_ == ENOSPC || code_ == EDQUOT || code_ == EFBIG; }
std::string SystemError::Text() const { return std::strerror(code_); }

namespace {

FileStatus StatusFrom(const struct stat& st) {
  FileStatus status;
  status.Kind = S_ISREG(st.st_mode)   ? FileKind::File
                : S_ISDIR(st.st_mode) ? FileKind::Folder
                                      : FileKind::Other;
  status.Size = st.st_size;
  status.MTimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  status.Identity = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  status.Mode = st.st_mode & 07777;
  status.Owner = st.st_uid;
  status.Group = st.st_gid;
  return status;
}

int Fd(intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

// Paths.

fs::path PathOf(std::string_view utf8) { return fs::path(utf8); }
std::string Utf8Of(const fs::path& path) { return path.string(); }

std::optional<FileStatus> Status(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return StatusFrom(st);
}

std::optional<FileStatus> LinkStatus(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return StatusFrom(st);
}

bool Rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool CanWrite(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

bool MarkedReadOnly(const FileStatus& status) {
  return (status.Mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path().string() : exe.parent_path().string();
}

std::string UserDataHome() {
  if (const std::optional<std::string> xdg = EnvironmentValue("XDG_DATA_HOME")) return *xdg;
  const std::optional<std::string> home = EnvironmentValue("HOME");
  return (fs::path(home ? *home : "/tmp") / ".local" / "share").string();
}

std::optional<std::string> EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

// Files.

bool File::Close() {
  if (handle_ == kNone) return true;
  const bool closed = ::close(Fd(handle_)) == 0;
  handle_ = kNone;
  return closed;
}

File File::OpenForReading(const std::string& path) {
  // Without O_NONBLOCK a pipe put under the name would hold the open until
  // something writes to it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return File(fd);
}

File File::CreateNew(const std::string& path) {
  return File(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

File File::OpenOrCreate(const std::string& path) {
  return File(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
}

File File::CreateTemporary(const std::string& prefix) {
  std::string name = prefix + "XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return File(fd);
}

std::optional<FileStatus> File::Status() const {
  struct stat st {};
  if (::fstat(Fd(handle_), &st) != 0) return std::nullopt;
  return StatusFrom(st);
}

long long File::ReadAt(long long offset, char* into, size_t count) const {
  size_t got = 0;
  while (got < count) {
    const ssize_t n = ::pread(Fd(handle_), into + got, count - got,
                              static_cast<off_t>(offset + static_cast<long long>(got)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<long long>(got);
}

bool File::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(Fd(handle_), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool File::Sync() { return ::fsync(Fd(handle_)) == 0; }

bool File::Truncate(long long size) {
  return ::ftruncate(Fd(handle_), static_cast<off_t>(size)) == 0;
}

bool File::TryLockExclusive() { return ::flock(Fd(handle_), LOCK_EX | LOCK_NB) == 0; }

bool File::TakeModeOf(const FileStatus& old) {
  if (::fchmod(Fd(handle_), old.Mode & 07777) != 0) return false;
  if (::geteuid() == 0) {
    (void)::fchown(Fd(handle_), old.Owner, old.Group);  // best effort: the owner stays the user's
  }
  return true;
}

// The process.

std::tm LocalTime(std::time_t when) {
  std::tm local{};
  ::localtime_r(&when, &local);
  return local;
}

long long ProcessId() { return ::getpid(); }

bool IsTerminal(StandardStream stream) {
  return ::isatty(stream == StandardStream::Output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void AdviseHugePages(void* data, size_t bytes) {
  constexpr uintptr_t kHuge = 2 << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8Console() {}

namespace {

// Set by the signal handler; lock-free, so a handler may set it.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);
struct sigaction oldInt {};
struct sigaction oldTerm {};

void RequestStop(int) { stopRequested = true; }

}  // namespace

StopRequests::StopRequests() {
  stopRequested = false;
  struct sigaction action {};
  action.sa_handler = &RequestStop;
  sigemptyset(&action.sa_mask);
  // System calls that a signal breaks go on; the second signal finds the
  // system's handling back and ends the program.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, &oldInt);
  sigaction(SIGTERM, &action, &oldTerm);
}

StopRequests::~StopRequests() {
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
}

const std::atomic<bool>& StopRequests::Flag() const { return stopRequested; }

}  // namespace qorn::platform
