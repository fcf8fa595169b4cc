#pragma once

#include <string>

namespace qorn {

// The file that `path` names: the target of a symbolic link (of a chain of
// them), else `path` itself. The target need not exist.
std::string FollowLinks(const std::string& path);

}  // namespace qorn
