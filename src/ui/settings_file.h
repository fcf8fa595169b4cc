#pragma once

#include <optional>
#include <string>

namespace qorn {

// The character name from Settings.ini in `folder`: the rest of the last
// field that starts with "Name=" (fields end at a comma or a line end;
// quotes around a field are dropped). nullopt when there is no such file
// (a folder of that name is none), it cannot be read, or it has no such field.
std::optional<std::string> ReadSettingsName(const std::string& folder);

// Writes Settings.ini anew as the one line "Name=<name>" and CR LF, through
// a temporary file renamed into place. Throws qorn::Error with the reason.
void WriteSettingsName(const std::string& folder, const std::string& name);

// The name check of "Set Character Name": letters a-z and A-Z only.
bool IsLettersOnly(const std::string& name);

}  // namespace qorn
