#include <gtest/gtest.h>

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
