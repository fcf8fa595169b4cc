#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qorn::platform {

// Paths are UTF-8 text everywhere in the program. On Windows they reach the
// system through its wide-character calls, so that any name a folder can hold
// is opened, not only those of the user's code page.

// The std::filesystem path of a UTF-8 path, and back.
std::filesystem::path PathOf(std::string_view utf8);
std::string Utf8Of(const std::filesystem::path& path);

enum class FileKind { File, Folder, Other };

// Which file a name leads to: the same while the file is renamed, another
// when another file is put under the name. Device and inode on POSIX; the
// volume's serial number and the file's index on Windows.
struct FileIdentity {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
  FileKind Kind = FileKind::Other;  // a symbolic link looked at as itself is Other
  long long Size = 0;
  int64_t MTimeNs = 0;  // last written, in nanoseconds since 1970 (UTC)
  FileIdentity Identity;
  // What a file that replaces this one takes over: the permission bits and
  // the owner on POSIX; the attributes (hidden, system, archive, not indexed)
  // on Windows, where Owner and Group are 0.
  uint32_t Mode = 0;
  uint32_t Owner = 0;
  uint32_t Group = 0;
};

// The file `path` names, through symbolic links; empty when it cannot be
// looked at (SystemError::Last() says why, NotFound() when nothing is there).
std::optional<FileStatus> Status(const std::string& path);
// The same without following a symbolic link at `path` itself.
std::optional<FileStatus> LinkStatus(const std::string& path);

// Puts the file `from` under the name `to`, in one step, replacing the file
// that has that name, also while another handle holds that file open.
bool Rename(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// Writes the folder's entries through to the disk, so that a rename in it
// outlives a power cut. Best effort: a folder that cannot be opened is left.
void SyncFolder(const std::string& folder);
// Whether this process may write the file or into the folder at `path`.
bool CanWrite(const std::string& path);
// Whether the file is marked read-only for everyone, root too: no write
// permission bit on POSIX, the read-only attribute on Windows.
bool MarkedReadOnly(const FileStatus& status);

// The folder of the running program, or the working folder when the system
// does not say.
std::string ExecutableFolder();
// Where programs keep their data per user: $XDG_DATA_HOME or
// ~/.local/share; %LOCALAPPDATA% on Windows.
std::string UserDataHome();
// An environment variable's value as UTF-8; empty when it is unset or empty.
std::optional<std::string> EnvironmentValue(const char* name);

}  // namespace qorn::platform
