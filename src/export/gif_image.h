#pragma once

#include <string>

#include "common/series_palette.h"

namespace qorn {

// A one-pixel GIF of one colour: the browser stretches it to any bar.
std::string SingleColourGif(Rgb colour);

}  // namespace qorn
