#include "export/file_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/error.h"

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
  // A link is followed: the file it names is the one replaced.
  std::string target = path;
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    target = fs::weakly_canonical(path, ec).string();
    if (ec) Fail(path, ec.message());
  }
  if (fs::is_directory(fs::status(target, ec))) Fail(path, std::strerror(EISDIR));

  std::string temp;
  const int fd = CreateTemporary(target, temp);
  if (fd < 0) Fail(path, std::strerror(errno));
  const bool written = WriteAll(fd, bytes);
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
