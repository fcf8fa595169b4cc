#pragma once

// The messages the buff, death and cast tests look for behind a "] ", told
// apart by a bit each.
#include <bit>

#include "parse/line_text.h"
#include "parse/message_texts.h"

namespace qorn::parse {

// Bit k stands for kTaggedMessages[k] behind a "] ".
constexpr unsigned Tag(sv message) {
  for (size_t k = 0; k < std::size(kTaggedMessages); ++k) {
    if (kTaggedMessages[k] == message) return 1u << k;
  }
  return 0;
}

// The bit of a tagged message, known when compiling.
template <const sv& message>
constexpr unsigned kTag = Tag(message);

// The tagged messages that `text` starts with.
inline unsigned TagsOf(sv text) {
  constexpr size_t kShortest = 18;  // "You begin casting ", "Your spell fizzles"
  if (text.size() < kShortest) return 0;
  unsigned tags = 0;
  auto test = [text, &tags](unsigned tag) {
    if (StartsWith(text, kTaggedMessages[std::countr_zero(tag)])) tags |= tag;
  };
  switch (text[0]) {
    case 'Y':
      if (text[3] == ' ') {
        test(kTag<kSlain>);
        test(kTag<kCast>);
        test(kTag<kYouHit>);
      } else if (text[3] == 'r') {
        test(kTag<kIntenOn>);
        test(kTag<kIntenOff>);
        test(kTag<kFizzle>);
        test(kTag<kInterrupt>);
        test(kTag<kResist>);
      }
      break;
    case 'Q':
      test(kTag<kCpowerOn>);
      break;
    case 'T':
      test(kTag<kCpowerOff>);
      test(kTag<kCoaOff>);
      break;
    case 'V':
      test(kTag<kCoaOn>);
      break;
    default:
      break;
  }
  return tags;
}

}  // namespace qorn::parse
