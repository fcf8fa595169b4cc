#include "common/file_system.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace qorn {
namespace fs = std::filesystem;

std::string FollowLinks(const std::string& path) {
  fs::path current(path);
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(current, ec); ++hops) {
    const fs::path target = fs::read_symlink(current, ec);
    if (ec) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return current.lexically_normal().string();
}

bool TakeModeAndOwner(int fd, const struct stat& old) {
  if (::fchmod(fd, old.st_mode & 07777) != 0) return false;
  if (::geteuid() == 0) {
    (void)::fchown(fd, old.st_uid, old.st_gid);  // best effort: the owner stays the user's
  }
  return true;
}

}  // namespace qorn
