// The saver window's decisions about input and closing, kept apart from the
// window so they are tested without one.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/geometry.h"

namespace lumora {

// Reference position of the mouse: only a jump of more than 20 pixels between
// two consecutive move events ends the saver; smaller moves carry it along.
struct MouseReference {
  bool armed = false;
  int32_t lastX = 0;
  int32_t lastY = 0;
};

inline constexpr int32_t kMouseJumpPixels = 20;

// Applies one mouse move; true when it is a jump that ends the saver. A
// reference at x = 0 or y = 0 (mouse at the screen's edge) never ends it.
bool MouseMoveEndsSaver(MouseReference& reference, int32_t x, int32_t y);

enum class KeyPressAction {
  LogOnly,        // the space bar while a log is kept: note it and go on
  LogAndClose,    // any other character: note it and end the saver
};

KeyPressAction ActionForCharacter(char32_t character, std::string_view logFile);

// Platform ids of the operating-system version query.
inline constexpr uint32_t kPlatformWin9x = 1;  // the older consumer family
inline constexpr uint32_t kPlatformNT = 2;

// Whether closing must ask the system for the screen-saver password first:
// never in preview, once verified, on the NT family (the system asks), or
// after another saver took over.
bool PasswordCheckNeeded(bool preview, char switchCharacter, bool passwordVerified, uint32_t platformId,
                         bool handedOver);

// Size of the preview picture: 64 high, as wide as the window's proportions.
Size PreviewIconSize(int32_t windowWidth, int32_t windowHeight);

// Where the 32×32 icon goes inside a preview host of that size (centred,
// halves rounded to the nearest even number).
Point PreviewIconPosition(int32_t hostWidth, int32_t hostHeight);

}  // namespace lumora
