#include <gtest/gtest.h>

#include "app/startup.h"
#include "saver/input_rules.h"

namespace lumora {
namespace {

TEST(CommandLine, SwitchCharacterPicksTheMode) {
  for (const char* arg : {"/s", "-s", "/S", "xs", "/s:junk"}) {
    EXPECT_EQ(ModeFromSwitch(SwitchCharacter(arg)), StartMode::Saver) << arg;
  }
  EXPECT_EQ(ModeFromSwitch(SwitchCharacter("/p")), StartMode::Preview);
  EXPECT_EQ(ModeFromSwitch(SwitchCharacter("/a")), StartMode::PasswordChange);
  for (const char* arg : {"", "/", "s", "/c", "/c:1234", "/x"}) {
    EXPECT_EQ(ModeFromSwitch(SwitchCharacter(arg)), StartMode::Configure) << arg;
  }
}

TEST(CommandLine, WindowHandleArgument) {
  EXPECT_EQ(ParseWindowHandleArgument("1234"), 1234u);
  EXPECT_EQ(ParseWindowHandleArgument("0"), 0u);
  EXPECT_EQ(ParseWindowHandleArgument("not a number"), 0u);
  EXPECT_EQ(ParseWindowHandleArgument(""), 0u);
  EXPECT_THROW(ParseWindowHandleArgument("-5"), RangeError);
}

TEST(SaverPlacement, OriginAndSizeOverAllMonitors) {
  const std::vector<Rect> single{{0, 0, 1280, 800}};
  EXPECT_EQ(SaverWindowOrigin(single), (Point{0, 0}));
  EXPECT_EQ(VirtualScreen(single), (Rect{0, 0, 1280, 800}));

  const std::vector<Rect> leftOfPrimary{{0, 0, 1280, 800}, {-1280, 0, 0, 1024}};
  EXPECT_EQ(SaverWindowOrigin(leftOfPrimary), (Point{-1280, 0}));
  EXPECT_EQ(VirtualScreen(leftOfPrimary).Width(), 2560);
  EXPECT_EQ(VirtualScreen(leftOfPrimary).Height(), 1024);

  // Monitors all right of and below (100, 100): the origin stays there.
  EXPECT_EQ(SaverWindowOrigin({{200, 300, 1000, 900}}), (Point{100, 100}));
  EXPECT_EQ(SaverWindowOrigin({}), (Point{100, 100}));
}

TEST(MouseRule, OnlyAJumpOfMoreThan20PixelsEndsTheSaver) {
  MouseReference r;
  EXPECT_FALSE(MouseMoveEndsSaver(r, 500, 400));  // first move after arming only records
  for (int x = 515; x < 1280; x += 15) EXPECT_FALSE(MouseMoveEndsSaver(r, x, 400)) << x;
  EXPECT_FALSE(MouseMoveEndsSaver(r, r.lastX + 20, r.lastY - 20));
  EXPECT_TRUE(MouseMoveEndsSaver(r, r.lastX + 21, r.lastY));
  EXPECT_FALSE(r.armed);

  MouseReference fresh;
  EXPECT_FALSE(MouseMoveEndsSaver(fresh, 300, 300));
  EXPECT_TRUE(MouseMoveEndsSaver(fresh, 300, 279));
}

TEST(MouseRule, AReferenceOnTheScreenEdgeNeverEnds) {
  MouseReference r;
  EXPECT_FALSE(MouseMoveEndsSaver(r, 0, 400));
  EXPECT_FALSE(MouseMoveEndsSaver(r, 900, 400));  // reference x was 0: records only
  EXPECT_EQ(r.lastX, 900);
  MouseReference top;
  EXPECT_FALSE(MouseMoveEndsSaver(top, 400, 0));
  EXPECT_FALSE(MouseMoveEndsSaver(top, 400, 700));
}

TEST(KeyRule, SpaceBarOnlyLogsWhileALogIsKept) {
  EXPECT_EQ(ActionForCharacter(U' ', "C:\\log.txt"), KeyPressAction::LogOnly);
  EXPECT_EQ(ActionForCharacter(U' ', ""), KeyPressAction::LogAndClose);
  EXPECT_EQ(ActionForCharacter(U' ', "   "), KeyPressAction::LogAndClose);
  EXPECT_EQ(ActionForCharacter(U'a', "C:\\log.txt"), KeyPressAction::LogAndClose);
  EXPECT_EQ(ActionForCharacter(U'\r', ""), KeyPressAction::LogAndClose);
  EXPECT_EQ(ActionForCharacter(U'\x1b', ""), KeyPressAction::LogAndClose);
}

TEST(PasswordRule, OnlyTheConsumerFamilyAsksItself) {
  EXPECT_TRUE(PasswordCheckNeeded(false, 'S', false, kPlatformWin9x, false));
  EXPECT_TRUE(PasswordCheckNeeded(false, 'S', false, 0, false));  // failed version query
  EXPECT_FALSE(PasswordCheckNeeded(false, 'S', false, kPlatformNT, false));
  EXPECT_FALSE(PasswordCheckNeeded(true, 'S', false, kPlatformWin9x, false));
  EXPECT_FALSE(PasswordCheckNeeded(false, 'P', false, kPlatformWin9x, false));
  EXPECT_FALSE(PasswordCheckNeeded(false, 'S', true, kPlatformWin9x, false));
  EXPECT_FALSE(PasswordCheckNeeded(false, 'S', false, kPlatformWin9x, true));
}

TEST(PreviewGeometry, IconSizeAndCentre) {
  EXPECT_EQ(PreviewIconSize(152, 112), (Size{87, 64}));  // 152 × 64 / 112 = 86.86
  EXPECT_EQ(PreviewIconSize(100, 128), (Size{50, 64}));
  EXPECT_EQ(PreviewIconSize(100, 0), (Size{64, 64}));    // no division by a zero height
  EXPECT_EQ(PreviewIconPosition(152, 112), (Point{60, 40}));
  EXPECT_EQ(PreviewIconPosition(151, 113), (Point{60, 40}));  // 59.5 and 40.5 round to even
  EXPECT_EQ(PreviewIconPosition(153, 111), (Point{60, 40}));  // 60.5 → 60, 39.5 → 40
}

}  // namespace
}  // namespace lumora
