#include "support/comma_locale.h"

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qorn::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLocale = "de_DE.UTF-8";

bool UseLocale() {
  return std::setlocale(LC_ALL, kLocale) != nullptr &&
         std::strcmp(std::localeconv()->decimal_point, ",") == 0;
}

// Builds the locale into `folder` with localedef; parallel test processes
// each build their own copy and the first rename wins.
std::string MakeLocale(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  const fs::path target = folder / kLocale;
  if (fs::is_directory(target / "LC_NUMERIC", ec)) return {};
  const fs::path temp = folder / (std::string(kLocale) + ".tmp" + std::to_string(::getpid()));
  fs::remove_all(temp, ec);
  const std::string command = "localedef -i de_DE -f UTF-8 '" + temp.string() + "' >/dev/null 2>&1";
  const int rc = std::system(command.c_str());
  // localedef's exit code 1 means warnings only; the files are written.
  if (!fs::is_regular_file(temp / "LC_NUMERIC", ec)) {
    fs::remove_all(temp, ec);
    return "localedef -i de_DE -f UTF-8 failed (exit status " + std::to_string(rc) +
           "); install the Debian package locales";
  }
  fs::rename(temp, target, ec);
  if (ec) fs::remove_all(temp, ec);  // another process was first
  return {};
}

}  // namespace

CommaDecimalLocale::CommaDecimalLocale(const std::string& cacheFolder) {
  if (UseLocale()) return;
  why_ = MakeLocale(cacheFolder);
  if (!why_.empty()) return;
  ::setenv("LOCPATH", cacheFolder.c_str(), 1);
  if (!UseLocale()) why_ = std::string("the locale ") + kLocale + " cannot be used";
}

CommaDecimalLocale::~CommaDecimalLocale() { std::setlocale(LC_ALL, "C"); }

}  // namespace qorn::test
