#pragma once

#include <string>
#include <string_view>

namespace qorn {

// Writes `bytes` to `path`, replacing any file of that name: first to a
// temporary file beside it, then renamed into place, so a failure never
// leaves half a file and keeps what was there. A symbolic link is followed:
// the file it names is replaced (or made, when it names none yet), and the
// link stays. A file replaced keeps its permissions. Something that is not a
// plain file (a folder, a device, a pipe) is refused and left as it is.
// Throws qorn::Error "Cannot write PATH: REASON".
void WriteFileReplacing(const std::string& path, std::string_view bytes);

// Writes `bytes` to `path` unless a file of that name is already there.
// Returns whether it wrote. Throws qorn::Error as WriteFileReplacing does.
bool WriteFileIfMissing(const std::string& path, std::string_view bytes);

}  // namespace qorn
