#include <gtest/gtest.h>

#include <vector>

#include "graphics/event_ring.h"

namespace {

GraphMessage char_message(WORD unit) { return Gravo::char_record(unit); }

GraphMessage mouse_message(SHORT x) { return Gravo::mouse_record(WM_MOUSEMOVE, 0, POINT{x, 0}); }

GraphMessage key_message(BYTE key) { return Gravo::key_record(WM_KEYDOWN, key, 0); }

TEST(GraphicsRing, HoldsSixtyThreeInOrderAndDropsTheNewest) {
  Gravo::EventRing ring;
  for (WORD unit = 1; unit <= 63; ++unit) EXPECT_TRUE(ring.push(char_message(unit)));
  EXPECT_FALSE(ring.push(char_message(64)));
  GraphMessage out = {};
  for (WORD unit = 1; unit <= 63; ++unit) {
    ASSERT_TRUE(ring.peek(&out, GM_ALL, true));
    EXPECT_EQ(unit, out.unit);
  }
  EXPECT_FALSE(ring.peek(&out, GM_ALL, true));
  // Indices wrap around: the ring keeps working after many rounds.
  for (WORD unit = 0; unit < 200; ++unit) {
    ASSERT_TRUE(ring.push(char_message(unit)));
    ASSERT_TRUE(ring.peek(&out, GM_ALL, true));
    EXPECT_EQ(unit, out.unit);
  }
}

TEST(GraphicsRing, MotionMergesAndGivesWayToEveryOtherRecord) {
  Gravo::EventRing ring;
  GraphMessage out = {};
  ring.push(mouse_message(1));
  ring.push(mouse_message(2));
  ring.push(Gravo::mouse_record(WM_MOUSEMOVE, MK_LBUTTON, POINT{3, 0}));
  ASSERT_TRUE(ring.peek(&out, GM_ALL, true));
  EXPECT_EQ(2, out.x);
  ASSERT_TRUE(ring.peek(&out, GM_ALL, true));
  EXPECT_EQ(3, out.x);
  EXPECT_TRUE(ring.empty());

  // A hand that keeps moving the mouse between clicks, keys and characters
  // while nobody takes the queue: every record but motion comes out, in order.
  std::vector<WORD> others;
  for (SHORT x = 0; x < 300; ++x) {
    GraphMessage record = mouse_message(x);
    if (x % 10 == 9)
      record = Gravo::mouse_record(x % 20 == 9 ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, POINT{x, 0});
    if (x % 20 == 0) record = x % 40 ? key_message('A') : char_message(static_cast<WORD>(x));
    if (record.kind != WM_MOUSEMOVE) others.push_back(record.kind);
    ASSERT_TRUE(ring.push(record)) << x;
  }
  ASSERT_TRUE(ring.push(mouse_message(300)));
  std::vector<WORD> out_others;
  while (ring.peek(&out, GM_ALL, true))
    if (out.kind != WM_MOUSEMOVE) out_others.push_back(out.kind);
  EXPECT_EQ(others, out_others);
  EXPECT_EQ(WM_MOUSEMOVE, out.kind);
  EXPECT_EQ(300, out.x) << "the last position is lost";

  // With no motion to give way, a full ring still drops the newest.
  for (int key = 0; key < 63; ++key) ASSERT_TRUE(ring.push(key_message('A')));
  EXPECT_FALSE(ring.push(Gravo::mouse_record(WM_LBUTTONUP, 0, POINT{1, 1})));
  EXPECT_FALSE(ring.push(mouse_message(1)));
}

TEST(GraphicsRing, FilterDropsOtherCategoriesAheadOfTheFirstMatchOnly) {
  Gravo::EventRing ring;
  ring.push(mouse_message(1));
  ring.push(mouse_message(2));
  ring.push(key_message('A'));
  ring.push(mouse_message(3));
  ring.push(key_message('B'));
  GraphMessage out = {};
  ASSERT_TRUE(ring.peek(&out, GM_KEY, true));
  EXPECT_EQ(0x0100, out.kind);
  EXPECT_EQ('A', out.virtual_key);
  ASSERT_TRUE(ring.peek(&out, GM_ALL, true));
  EXPECT_EQ(WM_MOUSEMOVE, out.kind);
  EXPECT_EQ(3, out.x);
  // No mouse record is left: the key ahead of the end is dropped as well.
  EXPECT_FALSE(ring.peek(&out, GM_MOUSE, true));
  EXPECT_TRUE(ring.empty());
}

TEST(GraphicsRing, PeekWithoutRemoveAndRemoveWithoutOut) {
  Gravo::EventRing ring;
  GraphMessage out = {};
  out.unit = 77;
  EXPECT_FALSE(ring.peek(&out, GM_ALL, true));
  EXPECT_EQ(77, out.unit);  // untouched when empty
  ring.push(char_message(1));
  ring.push(char_message(2));
  ASSERT_TRUE(ring.peek(&out, GM_CHAR, false));
  EXPECT_EQ(1, out.unit);
  ASSERT_TRUE(ring.peek(&out, GM_CHAR, false));
  EXPECT_EQ(1, out.unit);
  EXPECT_TRUE(ring.peek(NULL, GM_ALL, true));
  ASSERT_TRUE(ring.peek(&out, GM_ALL, true));
  EXPECT_EQ(2, out.unit);
  // A filter with no bit of any category empties the ring.
  ring.push(char_message(3));
  EXPECT_FALSE(ring.peek(&out, 0x10, true));
  EXPECT_TRUE(ring.empty());
}

TEST(GraphicsRing, CategoriesOfKinds) {
  EXPECT_EQ(GM_MOUSE, Gravo::message_category(0x0200));
  EXPECT_EQ(GM_MOUSE, Gravo::message_category(0x020A));
  EXPECT_EQ(0, Gravo::message_category(0x020B));
  EXPECT_EQ(GM_KEY, Gravo::message_category(0x0101));
  EXPECT_EQ(0, Gravo::message_category(0x0104));
  EXPECT_EQ(GM_CHAR, Gravo::message_category(0x0102));
  EXPECT_EQ(GM_WINDOW, Gravo::message_category(WM_ACTIVATE));
  EXPECT_EQ(0, Gravo::message_category(WM_QUIT));
}

}  // namespace
