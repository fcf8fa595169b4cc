// The platform layer on Windows. Paths are UTF-8 in the program and wide
// text in every call made here; no handle is inherited by a program this one
// starts (no SECURITY_ATTRIBUTES asks for it).
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00  // Windows 10: the rename with POSIX semantics
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_error.h"

namespace qorn::platform {
namespace fs = std::filesystem;

namespace {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

// Every open shares the file with every other: the game goes on writing its
// log, and a file held open can still be renamed, replaced and deleted.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a file that replaces another takes over of its attributes. Not
// read-only: the temporary file could then not be removed when a step fails.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The class of SetFileInformationByHandle for a rename with flags (Windows 10
// 1607 on), by its number: mingw-w64's header names it only for a Windows
// version number of another form.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
intptr_t Number(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

HANDLE Open(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
  return CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
}

int64_t Nanoseconds(const FILETIME& time) {
  // FILETIME counts 100 ns from 1601; this many of them lie before 1970.
  constexpr int64_t kFrom1601To1970 = 116444736000000000;
  const int64_t ticks =
      static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kFrom1601To1970) * 100;
}

// `asLink`: a symbolic link or junction opened as itself is no file.
std::optional<FileStatus> StatusOf(HANDLE handle, bool asLink) {
  FileStatus status;
  SetLastError(NO_ERROR);
  const DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return std::nullopt;
  if (type != FILE_TYPE_DISK) return status;  // a pipe or a device: Other
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  status.Kind =
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder : FileKind::File;
  if (asLink && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
        (tag.ReparseTag == IO_REPARSE_TAG_SYMLINK ||
         tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT)) {
      status.Kind = FileKind::Other;
    }
  }
  status.Size =
      static_cast<long long>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  status.MTimeNs = Nanoseconds(info.ftLastWriteTime);
  status.Identity = {info.dwVolumeSerialNumber,
                     (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  status.Mode = info.dwFileAttributes;
  return status;
}

std::optional<FileStatus> StatusByName(const std::string& path, bool asLink) {
  // Reading the attributes alone meets no other open's share mode.
  const HANDLE handle =
      Open(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING,
           FILE_FLAG_BACKUP_SEMANTICS | (asLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0));
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileStatus> status = StatusOf(handle, asLink);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  SetLastError(error);
  return status;
}

}  // namespace

SystemError SystemError::Last() { return SystemError(static_cast<int>(GetLastError())); }
SystemError SystemError::EndedEarly() { return SystemError(ERROR_HANDLE_EOF); }
bool SystemError::NotFound() const {
  return code_ == ERROR_FILE_NOT_FOUND || code_ == ERROR_PATH_NOT_FOUND;
}
bool SystemError::FileOnTheWay() const { return code_ == ERROR_DIRECTORY; }
bool SystemError::AlreadyExists() const {
  return code_ == ERROR_FILE_EXISTS || code_ == ERROR_ALREADY_EXISTS;
}
bool SystemError::DiskFull() const {
  return code_ == ERROR_DISK_FULL || code_ == ERROR_HANDLE_DISK_FULL ||
         code_ == ERROR_FILE_TOO_LARGE;
}

std::string SystemError::Text() const {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code_), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string said = length > 0 ? Utf8(std::wstring_view(text, length)) : "";
  LocalFree(text);
  // Said as strerror says it: no full stop, no line end.
  while (!said.empty() &&
         (said.back() == '\n' || said.back() == '\r' || said.back() == ' ' || said.back() == '.')) {
    said.pop_back();
  }
  return said.empty() ? "error " + std::to_string(code_) : said;
}

// Paths.

fs::path PathOf(std::string_view utf8) { return fs::path(Wide(utf8)); }
std::string Utf8Of(const fs::path& path) { return Utf8(path.native()); }

std::optional<FileStatus> Status(const std::string& path) { return StatusByName(path, false); }
std::optional<FileStatus> LinkStatus(const std::string& path) { return StatusByName(path, true); }

bool Rename(const std::string& from, const std::string& to) {
  // With POSIX semantics (Windows 10 on NTFS) the name is taken in one step
  // also from a file that another handle holds open (one that shares
  // deleting, as every open here does), as a rename does on POSIX.
  const HANDLE source = Open(from, DELETE | SYNCHRONIZE, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
  if (source == INVALID_HANDLE_VALUE) return false;
  wchar_t full[MAX_PATH * 4];
  const DWORD fullLength = GetFullPathNameW(Wide(to).c_str(), MAX_PATH * 4, full, nullptr);
  bool renamed = false;
  if (fullLength > 0 && fullLength < MAX_PATH * 4) {
    const size_t bytes = sizeof(FILE_RENAME_INFO) + fullLength * sizeof(wchar_t);
    const std::unique_ptr<char[]> buffer(new char[bytes]());
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    info->RootDirectory = nullptr;
    info->FileNameLength = fullLength * sizeof(wchar_t);
    std::wmemcpy(info->FileName, full, fullLength);
    renamed =
        SetFileInformationByHandle(source, kFileRenameInfoEx, info, static_cast<DWORD>(bytes)) != 0;
  }
  CloseHandle(source);
  if (renamed) return true;
  // Where the system or the file system knows no POSIX semantics: the same
  // in one step while nothing holds the file replaced open; ReplaceFileW
  // where something does, which keeps the attributes of the file replaced.
  const std::wstring wideFrom = Wide(from);
  const std::wstring wideTo = Wide(to);
  if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  const DWORD moveError = GetLastError();
  if (moveError != ERROR_ACCESS_DENIED && moveError != ERROR_SHARING_VIOLATION) return false;
  if (ReplaceFileW(wideTo.c_str(), wideFrom.c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr,
                   nullptr)) {
    return true;
  }
  SetLastError(moveError);
  return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

// Nothing to do, and nothing that could be done: FlushFileBuffers wants a
// handle open for writing, which a folder does not give (only a volume's
// handle, to an administrator). NTFS keeps a rename in its journal, so after
// a power cut the name leads to the file before or the file after it, and
// the file put in place was written through (File::Sync) before it.
void SyncFolder(const std::string&) {}

bool CanWrite(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    // A folder's read-only attribute says nothing about writing into it
    // (Program Files has none and cannot be written): a file made there
    // says it.
    return File::CreateTemporary(Utf8Of(PathOf(path) / ".qorn-write-")).IsOpen();
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) return false;
  const HANDLE handle = Open(path, GENERIC_WRITE, OPEN_EXISTING, 0);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

bool MarkedReadOnly(const FileStatus& status) {
  return (status.Mode & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return Utf8Of(fs::current_path());
    if (length < path.size()) {
      path.resize(length);
      return Utf8Of(fs::path(path).parent_path());
    }
    path.resize(path.size() * 2);
  }
}

std::string UserDataHome() {
  if (const std::optional<std::string> local = EnvironmentValue("LOCALAPPDATA")) return *local;
  if (const std::optional<std::string> roaming = EnvironmentValue("APPDATA")) return *roaming;
  return Utf8Of(fs::temp_directory_path());
}

std::optional<std::string> EnvironmentValue(const char* name) {
  const std::wstring wideName = Wide(name);
  const DWORD length = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (length <= 1) return std::nullopt;  // unset (0) or empty (1: the terminating null)
  std::wstring value(length, L'\0');
  const DWORD got = GetEnvironmentVariableW(wideName.c_str(), value.data(), length);
  if (got == 0 || got >= length) return std::nullopt;
  value.resize(got);
  return Utf8(value);
}

// Files.

bool File::Close() {
  if (handle_ == kNone) return true;
  const bool closed = CloseHandle(Handle(handle_)) != 0;
  handle_ = kNone;
  return closed;
}

File File::OpenForReading(const std::string& path) {
  // Backup semantics open a folder too, so that Status() can say it is one.
  return File(Number(Open(path, GENERIC_READ, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS)));
}

File File::CreateNew(const std::string& path) {
  return File(Number(Open(path, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL)));
}

File File::OpenOrCreate(const std::string& path) {
  return File(Number(Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT)));
}

File File::CreateTemporary(const std::string& prefix) {
  static std::atomic<uint32_t> made{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Six letters from the process, the clock and a count: new for this
    // process, and unlikely to be met; one that is met is tried again.
    uint64_t seed = (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^ GetTickCount64() ^
                    (static_cast<uint64_t>(made++) * 0x9E3779B97F4A7C15u);
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) {
      name += "abcdefghijklmnopqrstuvwxyz0123456789"[seed % 36];
      seed /= 36;
    }
    const HANDLE handle = Open(name, GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
    if (handle != INVALID_HANDLE_VALUE) return File(Number(handle));
    if (!SystemError::Last().AlreadyExists()) break;
  }
  return File();
}

std::optional<FileStatus> File::Status() const { return StatusOf(Handle(handle_), false); }

long long File::ReadAt(long long offset, char* into, size_t count) const {
  size_t got = 0;
  while (got < count) {
    // A read at a position of its own leaves no shared position behind, so
    // threads may read at once.
    OVERLAPPED at{};
    const uint64_t position = static_cast<uint64_t>(offset) + got;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const DWORD want = static_cast<DWORD>(std::min<size_t>(count - got, 1u << 30));
    DWORD n = 0;
    if (!ReadFile(Handle(handle_), into + got, want, &n, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return -1;
    }
    if (n == 0) break;
    got += n;
  }
  return static_cast<long long>(got);
}

bool File::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD n = 0;
    if (!WriteFile(Handle(handle_), bytes.data(), want, &n, nullptr)) return false;
    if (n == 0) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    bytes.remove_prefix(n);
  }
  return true;
}

bool File::Sync() { return FlushFileBuffers(Handle(handle_)) != 0; }

bool File::Truncate(long long size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = size;
  return SetFileInformationByHandle(Handle(handle_), FileEndOfFileInfo, &end, sizeof end) != 0;
}

bool File::TryLockExclusive() {
  // Locks on Windows keep every other handle from the bytes they cover, the
  // database engine's too: the byte locked lies far behind anything a
  // database holds, and away from the bytes the engine locks itself.
  constexpr uint64_t kLockedByte = uint64_t{1} << 62;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(kLockedByte);
  at.OffsetHigh = static_cast<DWORD>(kLockedByte >> 32);
  return LockFileEx(Handle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at) != 0;
}

bool File::TakeModeOf(const FileStatus& old) {
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(Handle(handle_), FileBasicInfo, &basic, sizeof basic)) {
    return false;
  }
  const DWORD kept = old.Mode & kKeptAttributes;
  basic.FileAttributes = (basic.FileAttributes & ~(kKeptAttributes | FILE_ATTRIBUTE_NORMAL)) | kept;
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  // The times stay as they are (0 leaves a time alone).
  basic.CreationTime.QuadPart = 0;
  basic.LastAccessTime.QuadPart = 0;
  basic.LastWriteTime.QuadPart = 0;
  basic.ChangeTime.QuadPart = 0;
  return SetFileInformationByHandle(Handle(handle_), FileBasicInfo, &basic, sizeof basic) != 0;
}

// The process.

std::tm LocalTime(std::time_t when) {
  std::tm local{};
  localtime_s(&local, &when);
  return local;
}

long long ProcessId() { return GetCurrentProcessId(); }

bool IsTerminal(StandardStream stream) {
  const HANDLE handle =
      GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// Windows gives large pages only to programs with a right that users do not
// have, and only on request at allocation: nothing to advise.
void AdviseHugePages(void*, size_t) {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> words;
  for (int i = 0; i < count; ++i) words.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return words;
}

void UseUtf8Console() {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  // The C library's text mode would put a CR before every LF of the lists.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

namespace {

std::atomic<bool> stopRequested{false};

// Called by the system on a thread of its own. TRUE: handled, the program
// goes on; FALSE for the second: the system's own handler ends it.
BOOL WINAPI RequestStop(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  return stopRequested.exchange(true) ? FALSE : TRUE;
}

}  // namespace

StopRequests::StopRequests() {
  stopRequested = false;
  SetConsoleCtrlHandler(&RequestStop, TRUE);
}

StopRequests::~StopRequests() { SetConsoleCtrlHandler(&RequestStop, FALSE); }

const std::atomic<bool>& StopRequests::Flag() const { return stopRequested; }

}  // namespace qorn::platform
