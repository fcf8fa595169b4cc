#pragma once

#include <optional>
#include <string>

namespace qorn {

// Settings.ini holds a field a line: "Name=" and the meter's "Meter=",
// "MeterPlace=", "MeterOpacity=" and "MeterLocked=". Each read takes the
// last field of its key; each write keeps the other keys' fields.

// The character name from Settings.ini in `folder`: the rest of the last
// field that starts with "Name=" (fields end at a comma or a line end;
// quotes around a field are dropped; a UTF-8 byte-order mark before the
// first is skipped; a field of more than 1 KiB is no name). nullopt when
// there is no such file (a folder of that name is none), it cannot be read,
// or it has no such field. Reads in small pieces, whatever the file's size.
std::optional<std::string> ReadSettingsName(const std::string& folder);

// Writes Settings.ini anew with the line "Name=<name>" and CR LF (and the
// meter's lines it held), through a temporary file renamed into place
// (WriteFileReplacing: a link is written through, a folder refused).
// Throws qorn::Error with the reason.
void WriteSettingsName(const std::string& folder, const std::string& name);

// The meter's place on the screen and its size, in pixels.
struct MeterPlace {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const MeterPlace&, const MeterPlace&) = default;
};

inline constexpr int kLeastMeterOpacity = 20;

// The meter's settings: shown or not, locked in place, its background's
// opacity in percent (kLeastMeterOpacity to 100), its place when it had one.
struct MeterSettings {
  bool Shown = false;
  bool Locked = false;
  int Opacity = 80;
  std::optional<MeterPlace> Place;
  friend bool operator==(const MeterSettings&, const MeterSettings&) = default;
};

// The meter's settings from Settings.ini; the defaults for a field that is
// missing or not a number in range ("MeterPlace=X Y W H", blanks between).
MeterSettings ReadMeterSettings(const std::string& folder);
// Writes the meter's settings, keeping the name. Throws qorn::Error.
void WriteMeterSettings(const std::string& folder, const MeterSettings& meter);

}  // namespace qorn
