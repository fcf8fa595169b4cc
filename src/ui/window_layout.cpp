#include "ui/window_layout.h"

namespace qorn {
namespace {

std::optional<int> NonNegative(int value) {
  return value >= 0 ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

WindowLayout ComputeWindowLayout(int w, int h) {
  WindowLayout layout;
  layout.frameHeight = NonNegative(6735 - (kDesignOuterHeight - h));
  layout.listHeight = NonNegative(6375 - (kDesignOuterHeight - h));
  layout.frameWidth = NonNegative(11535 - (kDesignOuterWidth - w));
  layout.listWidth = NonNegative(11295 - (kDesignOuterWidth - w));
  layout.tabWidth = NonNegative(11655 - (kDesignOuterWidth - w));
  return layout;
}

}  // namespace qorn
