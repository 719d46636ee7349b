#include "saver/input_rules.h"

#include <cmath>
#include <cstdlib>

#include "app/text.h"

namespace lumora {

bool MouseMoveEndsSaver(MouseReference& r, int32_t x, int32_t y) {
  if (r.armed && (std::abs(x - r.lastX) > kMouseJumpPixels || std::abs(y - r.lastY) > kMouseJumpPixels) &&
      r.lastX != 0 && r.lastY != 0) {
    r.armed = false;
    return true;
  }
  r.lastX = x;
  r.lastY = y;
  r.armed = true;
  return false;
}

KeyPressAction ActionForCharacter(char32_t character, std::string_view logFile) {
  if (!IsBlank(logFile) && character == U' ') return KeyPressAction::LogOnly;
  return KeyPressAction::LogAndClose;
}

bool PasswordCheckNeeded(bool preview, char switchCharacter, bool passwordVerified, uint32_t platformId,
                         bool handedOver) {
  return !(preview || switchCharacter == 'P' || passwordVerified || platformId == kPlatformNT || handedOver);
}

Size PreviewIconSize(int32_t windowWidth, int32_t windowHeight) {
  // A host of no height has no proportions: keep the picture square.
  if (windowHeight <= 0) return {64, 64};
  const double width = std::nearbyint(static_cast<double>(windowWidth) * 64.0 / windowHeight);
  return {static_cast<int32_t>(width), 64};
}

Point PreviewIconPosition(int32_t hostWidth, int32_t hostHeight) {
  return {static_cast<int32_t>(std::nearbyint((hostWidth - 32) / 2.0)),
          static_cast<int32_t>(std::nearbyint((hostHeight - 32) / 2.0))};
}

}  // namespace lumora
