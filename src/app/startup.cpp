#include "app/startup.h"

#include <algorithm>

#include "app/text.h"

namespace lumora {

char SwitchCharacter(std::string_view firstArgument) {
  if (firstArgument.size() < 2) return 0;
  const char c = firstArgument[1];
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

StartMode ModeFromSwitch(char switchCharacter) {
  switch (switchCharacter) {
    case 'A':
      return StartMode::PasswordChange;
    case 'P':
      return StartMode::Preview;
    case 'S':
      return StartMode::Saver;
    default:
      return StartMode::Configure;
  }
}

uint32_t ParseWindowHandleArgument(std::string_view text) {
  const int32_t value = ParseIntOr(text, 0);
  if (value < 0) throw RangeError();
  return static_cast<uint32_t>(value);
}

Point SaverWindowOrigin(const std::vector<Rect>& monitors) {
  Point origin{100, 100};
  for (const Rect& m : monitors) {
    origin.y = std::min(origin.y, m.top);
    origin.x = std::min(origin.x, m.left);
  }
  return origin;
}

Rect VirtualScreen(const std::vector<Rect>& monitors) {
  if (monitors.empty()) return {};
  Rect r = monitors.front();
  for (const Rect& m : monitors) {
    r.left = std::min(r.left, m.left);
    r.top = std::min(r.top, m.top);
    r.right = std::max(r.right, m.right);
    r.bottom = std::max(r.bottom, m.bottom);
  }
  return r;
}

}  // namespace lumora
