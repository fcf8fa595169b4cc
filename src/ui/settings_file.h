#pragma once

#include <optional>
#include <string>

namespace qorn {

// The character name from Settings.ini in `folder`: the rest of the last
// field that starts with "Name=" (fields end at a comma or a line end;
// quotes around a field are dropped; a UTF-8 byte-order mark before the
// first is skipped; a field of more than 1 KiB is no name). nullopt when
// there is no such file (a folder of that name is none), it cannot be read,
// or it has no such field. Reads in small pieces, whatever the file's size.
std::optional<std::string> ReadSettingsName(const std::string& folder);

// Writes Settings.ini anew as the one line "Name=<name>" and CR LF, through
// a temporary file renamed into place. Throws qorn::Error with the reason.
void WriteSettingsName(const std::string& folder, const std::string& name);

}  // namespace qorn
