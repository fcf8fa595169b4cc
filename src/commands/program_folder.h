#pragma once

#include <optional>
#include <string>

#include "store/database_names.h"

namespace qorn {

// The folder that holds the program's files (QornDB.mdb, Temp.mdb,
// Settings.ini): `override` when given (--home), else $QORN_HOME, else the
// executable's folder; when the program is installed (that folder is a `bin`
// folder) or that folder cannot be written, the per-user data folder
// ($XDG_DATA_HOME/qorn or ~/.local/share/qorn), created on demand.
// `executableFolder` empty means: read /proc/self/exe.
std::string FindProgramFolder(const std::optional<std::string>& override,
                              const std::string& executableFolder = {});

// The folder, a separator and the file name.
std::string InProgramFolder(const std::string& folder, const std::string& file);

inline constexpr const char* kSettingsFile = "Settings.ini";

}  // namespace qorn
