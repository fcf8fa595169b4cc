#pragma once

#include <sys/stat.h>

#include <string>

namespace qorn {

// The file that `path` names: the target of a symbolic link (of a chain of
// them), else `path` itself. The target need not exist.
std::string FollowLinks(const std::string& path);

// Gives the open file `fd` the permission bits of the file `old` describes
// and, run as root, its owner (as far as it can). False when the
// permissions cannot be set; errno says why.
bool TakeModeAndOwner(int fd, const struct stat& old);

}  // namespace qorn
