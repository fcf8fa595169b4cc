#include "commands/program_folder.h"

#include <filesystem>

#include "common/error.h"
#include "platform/paths.h"

namespace qorn {
namespace fs = std::filesystem;

namespace {

// An installed program lives in a `bin` folder (/usr/bin, /usr/local/bin, ~/bin), which holds
// programs, not their data, even where it can be written (root, a prefix in the user's home).
bool InstalledProgramFolder(const std::string& folder) {
  fs::path path = platform::PathOf(folder).lexically_normal();
  if (!path.has_filename()) path = path.parent_path();  // a trailing separator
  return path.filename() == "bin";
}

std::string UserDataFolder() {
  return platform::Utf8Of(platform::PathOf(platform::UserDataHome()) / "qorn");
}

}  // namespace

std::string FindProgramFolder(const std::optional<std::string>& override,
                              const std::string& executableFolder) {
  std::string chosen;
  if (override) {
    chosen = *override;
  } else if (const std::optional<std::string> env = platform::EnvironmentValue("QORN_HOME")) {
    chosen = *env;
  }
  if (!chosen.empty()) {
    // A folder the user named is used as it is, made when missing.
    std::error_code ec;
    fs::create_directories(platform::PathOf(chosen), ec);
    if (!fs::is_directory(platform::PathOf(chosen)))
      throw Error("The program folder " + chosen + " cannot be made");
    return chosen;
  }
  const std::string exeFolder =
      executableFolder.empty() ? platform::ExecutableFolder() : executableFolder;
  if (!InstalledProgramFolder(exeFolder) && platform::CanWrite(exeFolder)) return exeFolder;
  const std::string user = UserDataFolder();
  std::error_code ec;
  fs::create_directories(platform::PathOf(user), ec);
  if (ec) throw Error("Neither " + exeFolder + " nor " + user + " can be written: " + ec.message());
  return user;
}

std::string InProgramFolder(const std::string& folder, const std::string& file) {
  return platform::Utf8Of(platform::PathOf(folder) / file);
}

}  // namespace qorn
