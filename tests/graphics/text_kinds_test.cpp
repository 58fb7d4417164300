// The ANSI text functions of libgravo.a against the UTF-16 ones of
// libgravow.a, both linked into this test.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/gravo.h"

namespace {

TEST(GraphicsTextKinds, AnsiTextsDrawAndMeasureAsTheirUtf16Forms) {
  IMAGE ansi(120, 40);
  IMAGE wide(120, 40);
  gr_set_target(&ansi);
  gr_text_outA(4, 4, "Gravo 26");
  const int width = gr_text_widthA("Gravo 26");
  const int height = gr_text_heightA("Gravo 26");
  gr_set_target(&wide);
  gr_text_outW(4, 4, L"Gravo 26");
  EXPECT_GT(width, 0);
  EXPECT_EQ(gr_text_widthW(L"Gravo 26"), width);
  EXPECT_EQ(gr_text_heightW(L"Gravo 26"), height);
  EXPECT_EQ(0, std::memcmp(ansi.pixels, wide.pixels, 120 * 40 * sizeof(DWORD)));
  EXPECT_EQ(0, gr_text_widthA(NULL));
  gr_text_outA(0, 0, NULL);
  gr_set_target();
}

TEST(GraphicsTextKinds, AnsiFontsRoundTripAndTakeUnterminatedFaces) {
  IMAGE image(10, 10);
  gr_set_target(&image);
  LOGFONTA font;
  std::memset(&font, 0x55, sizeof(font));
  gr_get_fontA(&font);
  EXPECT_STREQ("System", font.lfFaceName);
  EXPECT_EQ(16, font.lfHeight);

  font.lfHeight = 23;
  std::strcpy(font.lfFaceName, "Courier New");
  gr_set_fontA(&font);
  LOGFONTW wide = {};
  gr_get_fontW(&wide);
  EXPECT_EQ(23, wide.lfHeight);
  EXPECT_STREQ(L"Courier New", wide.lfFaceName);

  // All 32 bytes used, no terminator: 31 characters are taken.
  std::memset(font.lfFaceName, 'x', sizeof(font.lfFaceName));
  gr_set_fontA(&font);
  gr_get_fontW(&wide);
  EXPECT_EQ(31u, std::wcslen(wide.lfFaceName));
  gr_get_fontA(&font);
  EXPECT_EQ(31u, std::strlen(font.lfFaceName));
  gr_set_target();
}

}  // namespace
