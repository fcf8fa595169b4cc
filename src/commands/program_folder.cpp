#include "commands/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "common/error.h"

namespace qorn {
namespace fs = std::filesystem;

namespace {

std::string ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path().string() : exe.parent_path().string();
}

bool Writable(const std::string& folder) { return ::access(folder.c_str(), W_OK) == 0; }

// An installed program lives in a `bin` folder (/usr/bin, /usr/local/bin, ~/bin), which holds
// programs, not their data, even where it can be written (root, a prefix in the user's home).
bool InstalledProgramFolder(const std::string& folder) {
  fs::path path = fs::path(folder).lexically_normal();
  if (!path.has_filename()) path = path.parent_path();  // a trailing separator
  return path.filename() == "bin";
}

std::string UserDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    return (fs::path(xdg) / "qorn").string();
  }
  const char* home = std::getenv("HOME");
  return (fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "qorn").string();
}

}  // namespace

std::string FindProgramFolder(const std::optional<std::string>& override,
                              const std::string& executableFolder) {
  std::string chosen;
  if (override) {
    chosen = *override;
  } else if (const char* env = std::getenv("QORN_HOME"); env && *env) {
    chosen = env;
  }
  if (!chosen.empty()) {
    // A folder the user named is used as it is, made when missing.
    std::error_code ec;
    fs::create_directories(chosen, ec);
    if (!fs::is_directory(chosen)) throw Error("The program folder " + chosen + " cannot be made");
    return chosen;
  }
  const std::string exeFolder = executableFolder.empty() ? ExecutableFolder() : executableFolder;
  if (!InstalledProgramFolder(exeFolder) && Writable(exeFolder)) return exeFolder;
  const std::string user = UserDataFolder();
  std::error_code ec;
  fs::create_directories(user, ec);
  if (ec) throw Error("Neither " + exeFolder + " nor " + user + " can be written: " + ec.message());
  return user;
}

std::string InProgramFolder(const std::string& folder, const std::string& file) {
  return (fs::path(folder) / file).string();
}

}  // namespace qorn
