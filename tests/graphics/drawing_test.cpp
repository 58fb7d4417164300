#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

#include "graphics/devices.h"
#include "graphics/gravo.h"
#include "graphics/runtime.h"

namespace {

const DWORD white = 0xFFFFFF;
const DWORD black = 0;

DWORD pixel(const IMAGE& image, int x, int y) { return image.pixels[y * image.width + x] & 0xFFFFFF; }

int count_pixels(const IMAGE& image, DWORD value) {
  int count = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) count += pixel(image, x, y) == value;
  }
  return count;
}

TEST(GraphicsImage, EmptyImageGetsABitmapOnlyWithBothSizes) {
  IMAGE image;
  EXPECT_EQ(NULL, image.bitmap);
  EXPECT_EQ(NULL, gr_image_buffer(&image));
  image.resize(0, 5);
  EXPECT_EQ(NULL, image.bitmap);
  image.resize(4, 3);
  ASSERT_NE(nullptr, image.pixels);
  EXPECT_EQ(4, image.width);
  EXPECT_EQ(3, image.height);
  EXPECT_EQ(12, count_pixels(image, black));
}

TEST(GraphicsImage, ResizeKeepsContentTopLeftAndFillsTheRestWithBackground) {
  IMAGE image(3, 2);
  gr_set_target(&image);
  gr_set_bk_color(RGB(0, 0, 255));
  std::fill_n(image.pixels, 6, 0x00FF00);
  image.resize(5, 4);
  EXPECT_EQ(0x00FF00u, pixel(image, 2, 1));
  EXPECT_EQ(0x0000FFu, pixel(image, 3, 1));
  EXPECT_EQ(0x0000FFu, pixel(image, 0, 2));
  EXPECT_EQ(5 * 4 - 6, count_pixels(image, 0x0000FF));
}

TEST(GraphicsDrawing, SolidRectWithReversedCornersIncludesRightAndBottom) {
  IMAGE forward(20, 20);
  IMAGE reversed(20, 20);
  gr_set_target(&forward);
  Gravo::current_device()->solid_rect(3, 4, 12, 15);
  gr_set_target(&reversed);
  Gravo::current_device()->solid_rect(12, 15, 3, 4);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 3 && x <= 12 && y >= 4 && y <= 15;
      ASSERT_EQ(inside ? white : black, pixel(reversed, x, y)) << x << "," << y;
      ASSERT_EQ(pixel(forward, x, y), pixel(reversed, x, y)) << x << "," << y;
    }
  }
  // The null pen was only borrowed.
  LINESTYLE style;
  gr_get_line_style(&style);
  EXPECT_EQ(static_cast<DWORD>(PS_SOLID), style.style);
}

TEST(GraphicsDrawing, ClearRectRestoresFillAndRop) {
  IMAGE image(10, 10);
  gr_set_target(&image);
  Gravo::DrawOnImg* device = Gravo::current_device();
  gr_set_bk_color(RGB(255, 0, 0));
  gr_set_fill_color(RGB(0, 255, 0));
  device->set_fill_style(BS_NULL, 0, NULL);
  device->set_rop2(R2_XORPEN);
  std::fill_n(image.pixels, 100, white);
  device->clear_rect(2, 2, 5, 5);
  EXPECT_EQ(0xFF0000u, pixel(image, 2, 2));
  EXPECT_EQ(0xFF0000u, pixel(image, 5, 5));
  EXPECT_EQ(white, pixel(image, 6, 6));
  EXPECT_EQ(RGB(0, 255, 0), gr_get_fill_color());
  EXPECT_EQ(static_cast<DWORD>(BS_NULL), image.fill_style.style);
  EXPECT_EQ(R2_XORPEN, device->get_rop2());
}

TEST(GraphicsDrawing, ArcWithBothAnglesZeroIsAWholeEllipse) {
  IMAGE image(40, 40);
  gr_set_target(&image);
  gr_arc(4, 6, 34, 26, 0.0, 0.0);
  auto any_white = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        if (pixel(image, x, y) == white) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(any_white(3, 14, 6, 18));     // left
  EXPECT_TRUE(any_white(32, 14, 35, 18));   // right
  EXPECT_TRUE(any_white(17, 5, 21, 8));     // top
  EXPECT_TRUE(any_white(17, 24, 21, 27));   // bottom
  EXPECT_FALSE(any_white(14, 12, 24, 20));  // an outline only
}

TEST(GraphicsDrawing, ArcEndPointsFromBoxAndAngles) {
  IMAGE image(1, 1);
  gr_set_target(&image);
  POINT start, end;
  Gravo::current_device()->arc_points(30, 20, 10, 0, 0.0, 3.14159265358979 / 2, &start, &end);
  EXPECT_EQ(30, start.x);
  EXPECT_EQ(10, start.y);
  EXPECT_EQ(20, end.x);
  EXPECT_EQ(0, end.y);
  Gravo::current_device()->arc_points(0, 0, 9, 9, 3.14159265358979, -3.14159265358979 / 2, &start, &end);
  EXPECT_EQ(0, start.x);  // rx = 4: cx - 4
  EXPECT_EQ(4, start.y);
  EXPECT_EQ(4, end.x);
  EXPECT_EQ(8, end.y);
}

TEST(GraphicsDrawing, FillPatternAAMakesOnePixelStripes) {
  IMAGE image(16, 8);
  gr_set_target(&image);
  const BYTE rows[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
  Gravo::current_device()->set_fill_pattern(rows);
  ASSERT_NE(nullptr, image.fill_style.pattern);
  Gravo::current_device()->solid_rect(0, 0, 15, 7);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      ASSERT_EQ(x % 2 == 0 ? white : black, pixel(image, x, y)) << x << "," << y;
    }
  }
}

TEST(GraphicsDrawing, FillColorUnderNullBrushIsOnlyStored) {
  IMAGE image(10, 10);
  gr_set_target(&image);
  Gravo::DrawOnImg* device = Gravo::current_device();
  device->set_fill_style(BS_NULL, 0, NULL);
  gr_set_fill_color(RGB(0, 0, 255));
  gr_fill_rect(0, 0, 9, 9);
  EXPECT_EQ(black, pixel(image, 4, 4));
  device->set_fill_style(BS_SOLID, 0, NULL);
  gr_fill_rect(0, 0, 9, 9);
  EXPECT_EQ(0x0000FFu, pixel(image, 4, 4));
  EXPECT_EQ(white, pixel(image, 0, 0));  // outline in the line colour
}

TEST(GraphicsDrawing, ClearIgnoresTheClipRegionWhileClearClipRegionRespectsIt) {
  IMAGE image(20, 20);
  gr_set_target(&image);
  HRGN region = CreateRectRgn(5, 5, 10, 10);
  gr_set_clip_region(region);
  DeleteObject(region);
  gr_set_bk_color(RGB(255, 0, 0));
  gr_clear();
  EXPECT_EQ(400, count_pixels(image, 0xFF0000));
  gr_set_bk_color(RGB(0, 0, 255));
  Gravo::current_device()->clear_clip_region();
  EXPECT_EQ(25, count_pixels(image, 0x0000FF));
  EXPECT_EQ(0x0000FFu, pixel(image, 5, 5));
  EXPECT_EQ(0x0000FFu, pixel(image, 9, 9));
  EXPECT_EQ(0xFF0000u, pixel(image, 10, 10));
  gr_set_clip_region(NULL);
  gr_set_bk_color(RGB(0, 255, 0));
  Gravo::current_device()->clear_clip_region();
  EXPECT_EQ(400, count_pixels(image, 0x00FF00));
  // Grey pixels keep their top byte clear.
  gr_set_bk_color(RGB(99, 99, 99));
  gr_clear();
  EXPECT_EQ(0x00636363u, image.pixels[0]);
  EXPECT_EQ(0x00636363u, image.pixels[399]);
}

TEST(GraphicsDrawing, UserLineStyleNeedsAPattern) {
  IMAGE image(20, 20);
  gr_set_target(&image);
  gr_set_line_style(PS_USERSTYLE, 1, NULL, 3);
  gr_line(0, 10, 19, 10);
  EXPECT_EQ(400, count_pixels(image, black));

  const DWORD dashes[2] = {2, 2};
  gr_set_line_style(PS_USERSTYLE, 1, dashes, 2);
  LINESTYLE style;
  gr_get_line_style(&style);
  ASSERT_NE(nullptr, style.pattern);
  EXPECT_EQ(2u, style.pattern_count);
  gr_line(0, 10, 19, 10);
  const int dashed = 400 - count_pixels(image, black);
  EXPECT_GT(dashed, 4);
  EXPECT_LT(dashed, 16);

  gr_set_line_style(PS_SOLID, 1);
  gr_get_line_style(&style);
  EXPECT_EQ(nullptr, style.pattern);
  EXPECT_EQ(nullptr, image.line_style.pattern);
  EXPECT_EQ(0u, image.line_style.pattern_count);
}

TEST(GraphicsDrawing, StylesCopyTheirPatternsOnlyWhereTheyApply) {
  IMAGE image(1, 1);
  LINESTYLE user;
  user.style = PS_USERSTYLE;
  user.pattern = new DWORD[2]{3, 1};
  user.pattern_count = 2;
  LINESTYLE copy(user);
  ASSERT_NE(nullptr, copy.pattern);
  EXPECT_NE(user.pattern, copy.pattern);
  EXPECT_EQ(3u, copy.pattern[0]);
  user.style = PS_DASH;
  copy = user;
  EXPECT_EQ(nullptr, copy.pattern);

  FILLSTYLE patterned;
  patterned.style = BS_PATTERN;
  patterned.pattern = new IMAGE(2, 2);
  patterned.pattern->pixels[3] = 0x123456;
  FILLSTYLE fill_copy(patterned);
  ASSERT_NE(nullptr, fill_copy.pattern);
  EXPECT_EQ(0x123456u, fill_copy.pattern->pixels[3]);
  patterned.style = BS_HATCHED;
  fill_copy = patterned;
  EXPECT_EQ(nullptr, fill_copy.pattern);
}

TEST(GraphicsDrawing, PenPositionBlitAndText) {
  IMAGE source(4, 4);
  std::fill_n(source.pixels, 16, 0x00FF00);
  IMAGE image(10, 10);
  gr_set_target(&image);
  gr_blit(2, 3, 4, 4, &source, 0, 0, SRCCOPY);
  EXPECT_EQ(0x00FF00u, pixel(image, 2, 3));
  EXPECT_EQ(0x00FF00u, pixel(image, 5, 6));
  EXPECT_EQ(black, pixel(image, 6, 6));

  gr_clear();
  gr_move_to(0, 0);
  gr_line_to(9, 0);
  gr_line_to(9, 9);
  EXPECT_EQ(white, pixel(image, 5, 0));
  EXPECT_EQ(white, pixel(image, 9, 5));
  EXPECT_EQ(black, pixel(image, 5, 5));

  EXPECT_GT(gr_text_width(L"Gravo"), gr_text_width(L"G"));
  EXPECT_GT(gr_text_height(L"G"), 0);
  LOGFONTW font = {};
  gr_get_font(&font);
  EXPECT_EQ(16, font.lfHeight);
}

TEST(GraphicsDrawing, DestroyedTargetIsNotDrawnOn) {
  {
    IMAGE image(4, 4);
    gr_set_target(&image);
  }
  EXPECT_EQ(nullptr, Gravo::current_device());
  gr_clear();
  gr_line(0, 0, 3, 3);
}

}  // namespace

namespace {

TEST(GraphicsDrawing, FontIsMadeAnewOnlyWhenItsDescriptionChanges) {
  IMAGE image(10, 10);
  gr_set_target(&image);
  LOGFONTW font = {};
  gr_get_font(&font);
  const HGDIOBJ first = GetCurrentObject(image.memory_dc, OBJ_FONT);
  gr_set_font(&font);
  EXPECT_EQ(first, GetCurrentObject(image.memory_dc, OBJ_FONT));

  // Each field counts, and the face by its text only.
  font.lfFaceName[std::wcslen(font.lfFaceName) + 1] = L'x';
  gr_set_font(&font);
  EXPECT_EQ(first, GetCurrentObject(image.memory_dc, OBJ_FONT));
  font.lfWeight = FW_BOLD;
  gr_set_font(&font);
  EXPECT_NE(first, GetCurrentObject(image.memory_dc, OBJ_FONT));
  LOGFONTW now = {};
  gr_get_font(&now);
  EXPECT_EQ(FW_BOLD, now.lfWeight);
  std::wcscpy(font.lfFaceName, L"Courier New");
  gr_set_font(&font);
  gr_get_font(&now);
  EXPECT_STREQ(L"Courier New", now.lfFaceName);
  gr_set_target();
}

}  // namespace
