#include "common/file_system.h"

#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace qorn {
namespace fs = std::filesystem;

std::string FollowLinks(const std::string& path) {
  fs::path current = platform::PathOf(path);
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(current, ec); ++hops) {
    const fs::path target = fs::read_symlink(current, ec);
    if (ec) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return platform::Utf8Of(current.lexically_normal());
}

}  // namespace qorn
