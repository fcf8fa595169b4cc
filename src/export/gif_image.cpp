#include "export/gif_image.h"

namespace qorn {

std::string SingleColourGif(Rgb colour) {
  std::string gif = "GIF89a";
  // Screen of 1 x 1 with a global colour table of two entries.
  gif += std::string("\x01\x00\x01\x00\x80\x00\x00", 7);
  gif += static_cast<char>(colour.Red);
  gif += static_cast<char>(colour.Green);
  gif += static_cast<char>(colour.Blue);
  gif += std::string("\x00\x00\x00", 3);
  // One 1 x 1 image: LZW with a 2-bit minimum code size, codes clear (4),
  // index 0, end (5) packed into the two bytes 0x44 0x01.
  gif += std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
  gif += std::string("\x02\x02\x44\x01\x00", 5);
  gif += '\x3B';
  return gif;
}

}  // namespace qorn
