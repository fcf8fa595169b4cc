#include "export/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/file_system.h"

namespace qorn {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw Error("Cannot write " + path + ": " + reason);
}

// Opens a new temporary file beside `target`, never one that exists already.
int CreateTemporary(const std::string& target, std::string& temp) {
  for (int n = 0; n < 100; ++n) {
    temp = target + ".~qorn" + std::to_string(::getpid()) + "-" + std::to_string(n);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

void WriteFileReplacing(const std::string& path, std::string_view bytes) {
  if (path.empty()) Fail(path, "no file name");
  // A link is followed, also one that names no file yet: the file it names
  // is the one written, and the link stays.
  const std::string target = FollowLinks(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) Fail(path, std::strerror(EISDIR));
  // A device or a pipe would be replaced by the rename: it is left alone.
  if (exists && !S_ISREG(old.st_mode)) Fail(path, "it is not a plain file, so it is left as it is");

  std::string temp;
  const int fd = CreateTemporary(target, temp);
  if (fd < 0) Fail(path, std::strerror(errno));
  const bool written = (!exists || TakeModeAndOwner(fd, old)) && WriteAll(fd, bytes);
  const int writeErrno = errno;
  const bool closed = ::close(fd) == 0;
  const int closeErrno = errno;
  if (!written || !closed) {
    ::unlink(temp.c_str());
    Fail(path, std::strerror(!written ? writeErrno : closeErrno));
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int renameErrno = errno;
    ::unlink(temp.c_str());
    Fail(path, std::strerror(renameErrno));
  }
}

bool WriteFileIfMissing(const std::string& path, std::string_view bytes) {
  std::error_code ec;  // a path that cannot be looked at is left to the write to report
  if (fs::exists(fs::symlink_status(path, ec))) return false;
  WriteFileReplacing(path, bytes);
  return true;
}

}  // namespace qorn
