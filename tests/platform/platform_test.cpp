// The platform layer's habits that differ between systems, tried on the
// system it runs on: natively on Linux, and built for Windows under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace qorn::platform {
namespace {
namespace fs = std::filesystem;

// What the child process started by MakeTemporaryAndWait is asked to do.
constexpr const char* kChildFlag = "--make-temporary-and-wait";

// The names in `folder`, as UTF-8.
std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(PathOf(folder))) {
    names.push_back(Utf8Of(entry.path().filename()));
  }
  return names;
}

// A fresh folder, removed with what is left in it.
class Folder {
 public:
  Folder() {
    static int count = 0;
    path_ = fs::temp_directory_path() /
            ("qorn-platform-" + std::to_string(ProcessId()) + "-" + std::to_string(count++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return Utf8Of(path_ / PathOf(name)); }
  std::string Path() const { return Utf8Of(path_); }
  std::vector<std::string> Names() const { return NamesIn(Path()); }

 private:
  fs::path path_;
};

void Write(const std::string& path, std::string_view bytes) {
  platform::File file = File::CreateNew(path);
  ASSERT_TRUE(file.IsOpen()) << path << ": " << SystemError::Last().Text();
  ASSERT_TRUE(file.WriteAll(bytes));
  ASSERT_TRUE(file.Close());
}

std::string ReadAll(const platform::File& file) {
  char buffer[256];
  const long long got = file.ReadAt(0, buffer, sizeof buffer);
  return got < 0 ? "(unreadable)" : std::string(buffer, static_cast<size_t>(got));
}

std::string ReadAll(const std::string& path) {
  const platform::File file = File::OpenForReading(path);
  return file.IsOpen() ? ReadAll(file) : "(cannot open)";
}

TEST(Platform, ARenameReplacesAFileAnotherHandleHoldsOpen) {
  const Folder dir;
  const std::string target = dir.File("QornDB.mdb");
  const std::string temp = dir.File("Temp.mdb");
  Write(target, "the stored file");
  {
    const platform::File held = File::OpenForReading(target);
    ASSERT_TRUE(held.IsOpen());
    Write(temp, "the new file");

    ASSERT_TRUE(Rename(temp, target)) << SystemError::Last().Text();
    EXPECT_EQ(ReadAll(target), "the new file");
    EXPECT_EQ(ReadAll(held), "the stored file");  // the handle keeps the file it opened
  }
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"QornDB.mdb"});
}

// Qorn holds the log open while it reads it; the player may still rename or
// delete it, also while Qorn follows it.
TEST(Platform, AFileHeldOpenForReadingCanBeRenamedAndDeleted) {
  const Folder dir;
  const std::string log = dir.File("eqlog_Qornek_test.txt");
  Write(log, "a line\n");
  {
    const platform::File held = File::OpenForReading(log);
    ASSERT_TRUE(held.IsOpen());
    ASSERT_TRUE(Rename(log, dir.File("old.txt"))) << SystemError::Last().Text();
    EXPECT_FALSE(Status(log));
    EXPECT_TRUE(SystemError::Last().NotFound());
    ASSERT_TRUE(RemoveFile(dir.File("old.txt"))) << SystemError::Last().Text();
    EXPECT_EQ(ReadAll(held), "a line\n");
  }
  // Gone (Windows before 10 and Wine keep the name of a file deleted while
  // it is open until it is closed).
  EXPECT_EQ(dir.Names(), std::vector<std::string>{});
}

TEST(Platform, ATemporaryFileIsGoneWhenClosed) {
  const Folder dir;
  {
    platform::File file = File::CreateTemporary(dir.File("Temp.mdb.seconds-"));
    ASSERT_TRUE(file.IsOpen()) << SystemError::Last().Text();
    ASSERT_TRUE(file.WriteAll("seconds"));
    EXPECT_EQ(ReadAll(file), "seconds");
    // A second one beside it is another file.
    platform::File other = File::CreateTemporary(dir.File("Temp.mdb.seconds-"));
    ASSERT_TRUE(other.IsOpen());
    ASSERT_TRUE(other.WriteAll("more"));
    EXPECT_EQ(ReadAll(file), "seconds");
  }
  EXPECT_EQ(dir.Names(), std::vector<std::string>{});
}

// The child's part: a temporary file with something in it, then "ready" on
// standard output, then waiting to be killed.
[[noreturn]] void MakeTemporaryAndWait(const std::string& folder) {
  platform::File file = File::CreateTemporary(folder + "/Temp.mdb.seconds-");
  const bool made = file.IsOpen() && file.WriteAll("seconds");
  std::fputs(made ? "ready\n" : "failed\n", stdout);
  std::fflush(stdout);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

#ifdef _WIN32
std::wstring Wide(const std::string& utf8) { return PathOf(utf8).wstring(); }

// Starts this test program as the child, reads its first line and kills it;
// returns the line.
std::string RunChildAndKill(const std::string& folder) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "no pipe";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring line =
      L"\"" + std::wstring(exe) + L"\" " + Wide(kChildFlag) + L" \"" + Wide(folder) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION child{};
  const BOOL started = CreateProcessW(exe, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &child);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return "not started";
  }
  // Its first line, or what it wrote before it ended.
  std::string said;
  char c = 0;
  DWORD got = 0;
  while (said.size() < 64 && ReadFile(readEnd, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
    if (c != '\r') said += c;  // written in text mode
  }
  TerminateProcess(child.hProcess, 9);
  const bool ended = WaitForSingleObject(child.hProcess, 10000) == WAIT_OBJECT_0;
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  CloseHandle(readEnd);
  return ended ? said : said + " (still running)";
}
#else
std::string RunChildAndKill(const std::string& folder) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    close(pipeEnds[0]);
    MakeTemporaryAndWait(folder);
  }
  close(pipeEnds[1]);
  std::string said;
  char c = 0;
  while (said.size() < 64 && read(pipeEnds[0], &c, 1) == 1 && c != '\n') said += c;
  close(pipeEnds[0]);
  if (pid < 0) return "not started";
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  return said;
}
#endif

TEST(Platform, ATemporaryFileIsGoneWhenItsProgramIsKilled) {
  const Folder top;
  // Its name reaches the child on its command line (on Windows as UTF-16).
  const std::string folder = top.File("Qörnek_日本");
  ASSERT_TRUE(fs::create_directory(PathOf(folder)));
  EXPECT_EQ(RunChildAndKill(folder), "ready");
  // The system closes a killed program's files as it ends it; the wait is
  // for that, bounded.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!NamesIn(folder).empty() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(NamesIn(folder), std::vector<std::string>{});
}

TEST(Platform, IdentityIsKeptAcrossARenameAndChangedByAReplace) {
  const Folder dir;
  const std::string log = dir.File("eqlog_Qornek_test.txt");
  const std::string moved = dir.File("eqlog_Qornek_test.old");
  Write(log, "first\n");
  const platform::File held = File::OpenForReading(log);
  ASSERT_TRUE(held.IsOpen());
  const std::optional<FileStatus> first = Status(log);
  ASSERT_TRUE(first);
  EXPECT_EQ(held.Status()->Identity, first->Identity);
  EXPECT_NE(first->Identity, FileIdentity{});

  ASSERT_TRUE(Rename(log, moved));
  ASSERT_TRUE(Status(moved));
  EXPECT_EQ(Status(moved)->Identity, first->Identity);
  ASSERT_TRUE(LinkStatus(moved));
  EXPECT_EQ(LinkStatus(moved)->Identity, first->Identity);

  Write(log, "second\n");
  ASSERT_TRUE(Rename(log, moved));
  ASSERT_TRUE(Status(moved));
  EXPECT_NE(Status(moved)->Identity, first->Identity);
  EXPECT_EQ(ReadAll(held), "first\n");
}

TEST(Platform, AFileIsReadWhileAnotherHandleAppendsToIt) {
  const Folder dir;
  const std::string log = dir.File("eqlog_Qornek_test.txt");
  // The game: it made the log and goes on writing to it.
  platform::File game = File::CreateNew(log);
  ASSERT_TRUE(game.IsOpen());
  ASSERT_TRUE(game.WriteAll("[Mon Jan 01 00:00:00 2024] one\n"));

  const platform::File reader = File::OpenForReading(log);
  ASSERT_TRUE(reader.IsOpen()) << SystemError::Last().Text();
  EXPECT_EQ(reader.Status()->Size, 31);
  EXPECT_EQ(reader.Status()->Kind, FileKind::File);
  ASSERT_TRUE(game.WriteAll("[Mon Jan 01 00:00:01 2024] two\n"));
  EXPECT_EQ(reader.Status()->Size, 62);
  char buffer[64] = {};
  EXPECT_EQ(reader.ReadAt(31, buffer, sizeof buffer), 31);
  EXPECT_EQ(std::string(buffer, 31), "[Mon Jan 01 00:00:01 2024] two\n");
  // Read by position from several threads at once.
  std::atomic<int> right{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        char piece[3] = {};
        const long long at = (t + i) % 2 == 0 ? 27 : 58;
        if (reader.ReadAt(at, piece, 3) == 3 &&
            std::string(piece, 3) == (at == 27 ? "one" : "two")) {
          ++right;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(right, 800);
  EXPECT_EQ(reader.ReadAt(62, buffer, sizeof buffer), 0);  // nothing behind the end
}

// The mode a replaced file keeps: permission bits on POSIX, attributes on
// Windows.
#ifdef _WIN32
constexpr uint32_t kOddMode = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
bool SetMode(const std::string& path, uint32_t mode) {
  return SetFileAttributesW(Wide(path).c_str(), mode) != 0;
}
#else
constexpr uint32_t kOddMode = 0640;
bool SetMode(const std::string& path, uint32_t mode) {
  std::error_code ec;
  fs::permissions(path, static_cast<fs::perms>(mode), ec);
  return !ec;
}
#endif

TEST(Platform, AReplacedFileKeepsItsMode) {
  const Folder dir;
  const std::string target = dir.File("damage.csv");
  const std::string temp = dir.File("damage.csv.~qorn");
  Write(target, "old");
  ASSERT_TRUE(SetMode(target, kOddMode));
  const std::optional<FileStatus> old = Status(target);
  ASSERT_TRUE(old);
  ASSERT_EQ(old->Mode & kOddMode, kOddMode);

  platform::File file = File::CreateNew(temp);
  ASSERT_TRUE(file.IsOpen());
  ASSERT_TRUE(file.TakeModeOf(*old)) << SystemError::Last().Text();
  ASSERT_TRUE(file.WriteAll("new"));
  ASSERT_TRUE(file.Close());
  ASSERT_TRUE(Rename(temp, target)) << SystemError::Last().Text();
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_EQ(Status(target)->Mode, old->Mode);
}

TEST(Platform, APathWithCharactersBeyondAsciiIsTheNameItSays) {
  const Folder dir;
  const std::string folder = dir.File("Qörnek_日本");
  ASSERT_TRUE(fs::create_directory(PathOf(folder)));
  const std::string log = folder + "/Qörnek_日本.txt";
  Write(log, "ü");
  EXPECT_EQ(ReadAll(log), "ü");
  ASSERT_TRUE(Status(log));
  EXPECT_EQ(Status(log)->Kind, FileKind::File);
  EXPECT_EQ(Status(folder)->Kind, FileKind::Folder);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"Qörnek_日本"});

  ASSERT_TRUE(Rename(log, folder + "/Ünïcödé.txt"));
  EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"Ünïcödé.txt"});
  // A temporary file and a lock there too.
  platform::File temp = File::CreateTemporary(folder + "/Temp.mdb.seconds-");
  EXPECT_TRUE(temp.IsOpen()) << SystemError::Last().Text();
  platform::File locked = File::OpenOrCreate(folder + "/Temp.mdb");
  ASSERT_TRUE(locked.IsOpen()) << SystemError::Last().Text();
  EXPECT_TRUE(locked.TryLockExclusive());
  EXPECT_TRUE(RemoveFile(folder + "/Ünïcödé.txt"));
  EXPECT_TRUE(CanWrite(folder));
}

TEST(Platform, OnlyOneOpenFileHoldsTheLockAndTheFileStaysUsable) {
  const Folder dir;
  const std::string path = dir.File("Temp.mdb");
  platform::File first = File::OpenOrCreate(path);
  platform::File second = File::OpenOrCreate(path);
  ASSERT_TRUE(first.IsOpen() && second.IsOpen());
  ASSERT_TRUE(first.TryLockExclusive());
  EXPECT_FALSE(second.TryLockExclusive());
  // The database engine reads and writes the file through its own handle
  // while the lock is held.
  ASSERT_TRUE(second.WriteAll("SQLite format 3"));
  EXPECT_EQ(ReadAll(second), "SQLite format 3");
  ASSERT_TRUE(first.Truncate(6));
  EXPECT_EQ(ReadAll(first), "SQLite");
  first.Close();
  EXPECT_TRUE(second.TryLockExclusive());
}

TEST(Platform, TheFailuresOfCallsSayWhy) {
  const Folder dir;
  EXPECT_FALSE(Status(dir.File("missing")));
  EXPECT_TRUE(SystemError::Last().NotFound());
  EXPECT_FALSE(File::OpenForReading(dir.File("missing")).IsOpen());
  const SystemError missing = SystemError::Last();
  EXPECT_TRUE(missing.NotFound());
  EXPECT_FALSE(missing.Text().empty());
  Write(dir.File("there"), "x");
  EXPECT_FALSE(File::CreateNew(dir.File("there")).IsOpen());
  EXPECT_TRUE(SystemError::Last().AlreadyExists());
  EXPECT_EQ(Status(dir.Path())->Kind, FileKind::Folder);
  // A folder opens for reading and says it is one.
  const platform::File folder = File::OpenForReading(dir.Path());
  ASSERT_TRUE(folder.IsOpen()) << SystemError::Last().Text();
  EXPECT_EQ(folder.Status()->Kind, FileKind::Folder);
}

TEST(Platform, LocalTimeIsACalendarTime) {
  const std::tm local = LocalTime(1700000000);  // 14 Nov 2023, 22:13 UTC
  EXPECT_EQ(local.tm_year, 123);
  EXPECT_EQ(local.tm_mon, 10);
  EXPECT_TRUE(local.tm_mday == 14 || local.tm_mday == 15) << local.tm_mday;
}

#ifdef _WIN32
// Ctrl+C at the console. Without one (Wine with no terminal), as the console
// delivers it: a thread of the program started at kernelbase's CtrlRoutine,
// which calls the handlers registered.
void RaiseStop() {
  if (GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return;
  using Routine = DWORD(WINAPI*)(void*);
  const auto routine = reinterpret_cast<Routine>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
  ASSERT_NE(routine, nullptr);
  const HANDLE thread = CreateThread(nullptr, 0, routine,
                                     reinterpret_cast<void*>(uintptr_t{CTRL_C_EVENT}), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
  CloseHandle(thread);
}
#else
void RaiseStop() { std::raise(SIGINT); }
#endif

TEST(Platform, AConsoleStopIsAskedForAndNotAnEnd) {
  const StopRequests stop;
  EXPECT_FALSE(stop.Requested());
  RaiseStop();
  // On Windows the system calls the handler on a thread of its own.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!stop.Requested() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(stop.Requested());
}

}  // namespace
}  // namespace qorn::platform

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], qorn::platform::kChildFlag) == 0) {
    qorn::platform::MakeTemporaryAndWait(qorn::platform::Utf8Arguments(argc, argv)[2]);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
