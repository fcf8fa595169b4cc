#include "export/file_output.h"

#include <optional>

#include "common/error.h"
#include "common/file_system.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_error.h"

namespace qorn {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw Error("Cannot write " + path + ": " + reason);
}

// Opens a new temporary file beside `target`, never one that exists already.
platform::File CreateTemporary(const std::string& target, std::string& temp) {
  for (int n = 0;; ++n) {
    temp = target + ".~qorn" + std::to_string(platform::ProcessId()) + "-" + std::to_string(n);
    platform::File file = platform::File::CreateNew(temp);
    if (file.IsOpen() || !platform::SystemError::Last().AlreadyExists() || n == 99) return file;
  }
}

}  // namespace

void WriteFileReplacing(const std::string& path, std::string_view bytes) {
  if (path.empty()) Fail(path, "no file name");
  // A link is followed, also one that names no file yet: the file it names
  // is the one written, and the link stays.
  const std::string target = FollowLinks(path);
  const std::optional<platform::FileStatus> old = platform::Status(target);
  if (old && old->Kind == platform::FileKind::Folder) Fail(path, "Is a directory");
  // A device or a pipe would be replaced by the rename: it is left alone.
  if (old && old->Kind != platform::FileKind::File) {
    Fail(path, "it is not a plain file, so it is left as it is");
  }

  std::string temp;
  platform::File file = CreateTemporary(target, temp);
  if (!file.IsOpen()) Fail(path, platform::SystemError::Last().Text());
  const bool written = (!old || file.TakeModeOf(*old)) && file.WriteAll(bytes);
  const platform::SystemError writeError = platform::SystemError::Last();
  const bool closed = file.Close();
  if (!written || !closed) {
    const platform::SystemError why = !written ? writeError : platform::SystemError::Last();
    platform::RemoveFile(temp);
    Fail(path, why.Text());
  }
  if (!platform::Rename(temp, target)) {
    const platform::SystemError why = platform::SystemError::Last();
    platform::RemoveFile(temp);
    Fail(path, why.Text());
  }
}

bool WriteFileIfMissing(const std::string& path, std::string_view bytes) {
  // A path that cannot be looked at is left to the write to report.
  if (platform::LinkStatus(path)) return false;
  WriteFileReplacing(path, bytes);
  return true;
}

}  // namespace qorn
