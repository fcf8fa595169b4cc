#pragma once

#include <string>
#include <string_view>

namespace qorn {

// Log texts are bytes in the Windows-1252 code page, one byte per character;
// everything the program writes is UTF-8. A text that already is valid UTF-8
// (newer game clients write it) is kept as it is.
std::string LogTextToUtf8(std::string_view text);

// Whether LogTextToUtf8 would change the text (it has bytes that are not UTF-8).
bool NeedsUtf8Conversion(std::string_view text);

// A text as one field of tab-separated lines: a tab or a line break in it
// (a name from the log may hold one) becomes a blank.
std::string TabSeparatedField(std::string_view text);

}  // namespace qorn
