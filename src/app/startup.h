// Decisions of the program's start: which mode a command line asks for, the
// window handle argument, and where the full-screen window goes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "app/geometry.h"

namespace lumora {

enum class StartMode {
  PasswordChange,  // "A": the system's password-change dialog, no window of ours
  Preview,         // "P": a still picture inside the host window
  Saver,           // "S": the full-screen slideshow
  Configure,       // anything else: the configuration dialog
};

// The second character of the first argument, upper-cased; 0 when the
// argument is shorter than two characters. The first character is ignored,
// so "/s", "-s", "/S" and "xs" all give 'S'.
char SwitchCharacter(std::string_view firstArgument);

StartMode ModeFromSwitch(char switchCharacter);

// The error of a window handle argument that is negative.
class RangeError : public std::range_error {
 public:
  RangeError() : std::range_error("Range check error") {}
};

// Reads the decimal window handle that follows "/p" and "/a". Text that is
// not a number gives 0; a negative number throws RangeError.
uint32_t ParseWindowHandleArgument(std::string_view text);

// Origin of the full-screen window: starts at (100, 100) and moves to the
// smallest monitor left and top, so it is never right of or below (100, 100).
Point SaverWindowOrigin(const std::vector<Rect>& monitors);

// Bounding rectangle of all monitors (the virtual screen).
Rect VirtualScreen(const std::vector<Rect>& monitors);

}  // namespace lumora
