// The platform page in this process: what its frames show, its popup and
// tooltips, Back and Close, and what each button does to the catalogue and
// the disk.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/platform_page.h"
#include "discovery/fixtures.h"
#include "mingw/lib_variant.h"
#include "mingw/mingw_layouts.h"
#include "page_frames.h"
#include "platforms/install_ops.h"
#include "platforms/vc_trees.h"

using pagetest::PageFrames;
using pagetest::rgb;

namespace {

const DWORD kButtonFace = rgb(222, 222, 222);
const DWORD kBody = rgb(235, 235, 209);

DWORD rgbOf(nk_color c) { return rgb(c.r, c.g, c.b); }

bool sameColour(nk_color a, nk_color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

PlatformEntry& addDetected(CatalogueData& data, const std::wstring& label, const std::wstring& includeLine,
                           const std::wstring& libLine, int index, bool isMingw = false) {
  return data.addEntry(data.shownEntries, label, includeLine, libLine, index, true, isMingw);
}

PlatformEntry& addUndetected(CatalogueData& data, const std::wstring& label, int index, bool isMingw) {
  return data.addEntry(data.shownEntries, label, L"", L"", index, false, isMingw);
}

}  // namespace

namespace pagetest {

class PlatformPageFrames : public PageFrames {
 protected:
  // Height of the tooltip that hovering the middle of `line` brings up,
  // measured down its left padding; 0 when none shows.
  int tooltipHeightAt(const std::wstring& line) {
    const DrawnText* t = findStart(line);
    EXPECT_NE(t, nullptr) << "line not drawn";
    if (!t) return 0;
    const int x = t->x + 20;
    const int y = t->y + t->h / 2;
    hover(x, y);
    const DWORD background = rgbOf(session.ctx->style.window.background);
    int n = 0;
    while (y + 3 + n < 328 && pixel(x + 3, y + 3 + n) == background) ++n;
    return n;
  }
  int tooltipTexts() const {
    int n = 0;
    for (const DrawnText& t : texts) n += sameColour(t.colour, nk_rgb(233, 233, 233)) ? 1 : 0;
    return n;
  }
};

TEST_F(PlatformPageFrames, ShowsTitleInstructionsRowsSeparatorAndBottomBar) {
  CatalogueData& data = catalogue();
  addDetected(data, L"  Gravo 文档", L"在线文档 https://gravo.dev/docs/", L"桌面路径 C:\\users\\me\\Desktop",
              -1);
  addDetected(data, L"  Visual C++ 2019", L"头文件路径 C:\\VS\\VC\\Auxiliary\\VS\\include\\",
              L"库文件路径 C:\\VS\\VC\\Auxiliary\\VS\\lib\\x86\\", 7);
  addUndetected(data, L"  Visual C++ 2008", 1, false);
  addUndetected(data, L"  其它 MinGW", 4, true).statusText = L"（需要 gcc 4.9.2）";
  frame();
  frame();

  EXPECT_EQ(pixel(2, 2), rgb(250, 250, 250));
  EXPECT_EQ(pixel(485, 44), rgb(250, 250, 250));
  EXPECT_EQ(pixel(485, 46), kBody);
  EXPECT_EQ(pixel(2, 320), kBody);

  const DrawnText* title = find(L"  执行安装");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->font, &page().titleFont);
  EXPECT_EQ(page().titleLogfont.lfHeight, 22);
  EXPECT_EQ(page().titleLogfont.lfWeight, FW_HEAVY);
  EXPECT_STREQ(page().titleLogfont.lfFaceName, L"Segoe UI");
  for (const wchar_t* line : {L"        请针对您所用的开发平台，选择安装或卸载。",
                              L"  在下面中找到您所用的开发平台，点击右侧的\u201C安装\u201D将 Gravo 库安装至",
                              L"  该开发平台。或点击右侧的\u201C卸载\u201D将 Gravo 库从该开发平台移除。"}) {
    const DrawnText* t = find(line);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(sameColour(t->colour, nk_rgb(33, 33, 33)));
  }
  // The 41 dashes run past the window's right edge, which cuts them.
  const DrawnText* separator = findStart(std::wstring(41, L'\u2014'));
  ASSERT_NE(separator, nullptr);
  EXPECT_EQ(separator->x, 0);
  EXPECT_GT(separator->x + separator->w, 470);
  EXPECT_TRUE(sameColour(separator->colour, nk_rgb(123, 123, 123)));

  // Rows in list order, each under the one before.
  const DrawnText* docs = find(L"  Gravo 文档");
  const DrawnText* vc2019 = find(L"  Visual C++ 2019");
  const DrawnText* vc2008 = find(L"  Visual C++ 2008");
  const DrawnText* other = find(L"  其它 MinGW");
  ASSERT_TRUE(docs && vc2019 && vc2008 && other);
  EXPECT_LT(docs->y, vc2019->y);
  EXPECT_LT(vc2019->y, vc2008->y);
  EXPECT_LT(vc2008->y, other->y);
  EXPECT_NE(find(L"在线文档 https://gravo.dev/docs/"), nullptr);
  EXPECT_NE(findStart(L"库文件路径 C:\\VS\\VC\\Auxiliary\\VS\\lib\\x86\\"), nullptr);
  const DrawnText* status = find(L"（未检测到）");
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(sameColour(status->colour, session.ctx->style.text.color));
  EXPECT_NE(find(L"（需要 gcc 4.9.2）"), nullptr);

  // Install and uninstall for the detected rows, the chooser for the others;
  // faces where the end-to-end tests click.
  EXPECT_EQ(countOf(L"安装"), 2);
  EXPECT_EQ(countOf(L"卸载"), 2);
  EXPECT_EQ(countOf(L"选择安装目录"), 2);
  for (const DrawnText& t : texts) {
    const int middle = t.x + t.w / 2;
    const int y = t.y + t.h / 2;
    // Middle of the button and a point of its face left of the label.
    int expected = 0;
    int face = 357;
    if (t.text == toUtf8(L"安装")) expected = 377;
    if (t.text == toUtf8(L"卸载")) expected = 427, face = 407;
    if (t.text == toUtf8(L"选择安装目录")) expected = 402;
    if (expected == 0) continue;
    EXPECT_NEAR(middle, expected, 2);
    EXPECT_EQ(pixel(face, y), kButtonFace);
  }
  const DrawnText* back = find(L"< 上一步");
  const DrawnText* close = find(L"关闭");
  ASSERT_TRUE(back && close);
  EXPECT_NEAR(back->x + back->w / 2, 330, 2);
  EXPECT_NEAR(close->x + close->w / 2, 430, 2);
  EXPECT_GT(back->y, separator->y);
  EXPECT_EQ(find(L"OK"), nullptr);
}

TEST_F(PlatformPageFrames, PopupShowsTheMessageInItsRectangleUntilOk) {
  addDetected(catalogue(), L"  Gravo 文档", L"在线文档 https://gravo.dev/docs/", L"桌面路径 C:\\", -1);
  page().message = L"卸载成功";
  page().popupOpen = true;
  frame();

  const DrawnText* text = find(L"卸载成功");
  ASSERT_NE(text, nullptr);
  EXPECT_NEAR(text->x + text->w / 2, 230, 2);
  EXPECT_TRUE(sameColour(text->colour, nk_rgb(33, 33, 33)));
  const DWORD border = rgbOf(session.ctx->style.window.popup_border_color);
  // The runtime's outlines include their far edges: x 120..340, y 100..180.
  for (int x = 120; x <= 340; ++x) {
    ASSERT_EQ(pixel(x, 100), border) << x;
    ASSERT_EQ(pixel(x, 180), border) << x;
  }
  for (int y = 100; y <= 180; ++y) {
    ASSERT_EQ(pixel(120, y), border) << y;
    ASSERT_EQ(pixel(340, y), border) << y;
  }
  for (int y = 99; y <= 181; y += 82) EXPECT_EQ(pixel(230, y), kBody) << y;
  for (int x = 119; x <= 341; x += 222) EXPECT_EQ(pixel(x, 140), kBody) << x;
  EXPECT_EQ(pixel(122, 102), kBody);
  const DrawnText* ok = find(L"OK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(pixel(130, ok->y + ok->h / 2), kButtonFace);

  click(L"OK");
  EXPECT_FALSE(page().popupOpen);
  frame();
  EXPECT_EQ(find(L"卸载成功"), nullptr);
  EXPECT_EQ(pixel(120, 140), kBody);
}

TEST(TooltipRows, GrowByTheWidthOverThreeHundredFortyPlusTheLinesExtra) {
  EXPECT_FLOAT_EQ(tooltipRowHeight(680, 20, 1.0f), 60.0f);
  EXPECT_FLOAT_EQ(tooltipRowHeight(680, 20, 1.5f), 70.0f);
  // Not rounded to whole lines.
  EXPECT_NEAR(tooltipRowHeight(500, 20, 1.0f), 20.0f * (500.0f / 340.0f + 1.0f), 1e-4);
}

TEST_F(PlatformPageFrames, TooltipShowsALongLineWholeAndNotWhileThePopupIsOpen) {
  const std::wstring where =
      L"C:\\Program Files (x86)\\Microsoft Visual Studio\\2019\\Professional\\VC\\Auxiliary\\VS\\";
  const std::wstring longInclude = L"头文件路径 " + where + L"include\\";
  const std::wstring longLib = L"库文件路径 " + where + L"lib\\x86\\ " + where + L"lib\\x64\\";
  addDetected(catalogue(), L"  Gravo 文档", L"在线文档 https://gravo.dev/docs/", L"桌面路径 C:\\", -1);
  addDetected(catalogue(), L"  Visual C++ 2019", longInclude, longLib, 7);
  frame();

  const float line = static_cast<float>(gr_text_height(L"天"));
  const int shortHeight = tooltipHeightAt(L"在线文档 https://gravo.dev/docs/");
  const int includeHeight = tooltipHeightAt(longInclude);
  EXPECT_GT(tooltipTexts(), 1) << "the long line is wrapped";
  const int libHeight = tooltipHeightAt(longLib);
  ASSERT_GT(shortHeight, 0);
  // Same padding around each row, so the heights differ as the rows do.
  const float includeRow = tooltipRowHeight(gr_text_width(longInclude.c_str()), line, 1.0f);
  const float shortRow = tooltipRowHeight(gr_text_width(L"在线文档 https://gravo.dev/docs/"), line, 1.0f);
  const float libRow = tooltipRowHeight(gr_text_width(longLib.c_str()), line, 1.5f);
  EXPECT_GT(includeRow, 2 * line);
  EXPECT_NEAR(includeHeight - shortHeight, includeRow - shortRow, 1.5);
  EXPECT_NEAR(libHeight - includeHeight, libRow - includeRow, 1.5);

  // Hovered in the very frame the popup first shows: the toolkit has no
  // popup of its own open yet, so only the page keeps the tooltip away.
  page().message = L"安装成功";
  page().popupOpen = true;
  EXPECT_EQ(tooltipHeightAt(longInclude), 0);
  EXPECT_EQ(tooltipTexts(), 0);
}

TEST_F(PlatformPageFrames, BackAndCloseStoreThroughThePagePointers) {
  frame();
  click(L"< 上一步");
  EXPECT_EQ(currentPage, 1);
  EXPECT_EQ(running, 1);
  currentPage = 2;
  frame();
  click(L"关闭");
  EXPECT_EQ(running, 0);
}

TEST_F(PlatformPageFrames, AFoundDirectoryTurnsTheRowDetectedFromTheNextFrame) {
  ScratchDir disk;
  const std::wstring vc = layToolsetVc(disk, L"VS\\2019\\Community", L"14.29.30133", L"19_29");
  catalogue().vcTargets[7] = makeVcTarget(catalogue(), 2019);
  PlatformEntry& entry = addUndetected(catalogue(), L"  Visual C++ 2019", 7, false);
  frame();
  EXPECT_EQ(countOf(L"选择安装目录"), 1);
  EXPECT_EQ(countOf(L"安装"), 0);

  page().useChosenDirectory(entry, disk.path() + L"VS\\2019\\Community");
  EXPECT_TRUE(entry.detected);
  EXPECT_FALSE(page().popupOpen);
  frame();
  EXPECT_EQ(countOf(L"选择安装目录"), 0);
  EXPECT_EQ(countOf(L"安装"), 1);
  EXPECT_EQ(countOf(L"卸载"), 1);
  EXPECT_NE(findStart(L"头文件路径 " + vc + L"Auxiliary\\VS\\include\\"), nullptr);
  EXPECT_EQ(find(L"（未检测到）"), nullptr);
  EXPECT_EQ(find(L"OK"), nullptr);
}

}  // namespace pagetest

namespace {

// The page's effects outside any frame; no window is needed.
class PageActions : public ::testing::Test {
 protected:
  PageActions() : page(nullptr, 490, 328) { mingwtest::labelMingwTargets(page.catalogue); }
  PlatformPage page;
  ScratchDir disk;
};

TEST_F(PageActions, ChosenDirectoriesGiveTheTablesOutcomes) {
  CatalogueData& data = page.catalogue;
  data.vcTargets[7] = makeVcTarget(data, 2019);
  PlatformEntry& vc2019 = data.addEntry(data.shownEntries, L"  Visual C++ 2019", L"", L"", 7, false, false);
  const std::wstring empty = disk.makeDirs(L"nothing\\here");
  layToolsetVc(disk, L"VS\\2022\\Professional", L"14.30.30705", L"19_30");

  page.useChosenDirectory(vc2019, L"");
  EXPECT_FALSE(page.popupOpen) << "a cancelled chooser changes nothing";
  EXPECT_EQ(page.message, L"");

  page.useChosenDirectory(vc2019, empty);
  EXPECT_TRUE(page.popupOpen);
  EXPECT_EQ(page.message, L"未检测到 VS");
  EXPECT_FALSE(vc2019.detected);

  page.popupOpen = false;
  page.useChosenDirectory(vc2019, disk.path() + L"VS\\2022");
  EXPECT_TRUE(page.popupOpen);
  EXPECT_EQ(page.message, L"版本错误，请重新选择对应版本");
  EXPECT_FALSE(vc2019.detected);
  EXPECT_EQ(vc2019.statusText, L"（未检测到）");

  PlatformEntry& devCpp = data.addEntry(data.shownEntries, L"  DevCpp", L"", L"", kDevCppKind, false, true);
  PlatformEntry& other =
      data.addEntry(data.shownEntries, L"  其它 MinGW", L"", L"", kOtherMingwKind, false, true);
  page.popupOpen = false;
  page.useChosenDirectory(other, empty);
  EXPECT_TRUE(page.popupOpen);
  EXPECT_EQ(page.message, L"未检测到编译器");
  EXPECT_FALSE(other.detected);

  // Dev-C++'s own gcc 4.9.2, chosen without Dev-C++ around it, is refused
  // with the reason the detector gives.
  const std::wstring dev = mingwtest::devCppLayout(disk.path());
  page.popupOpen = false;
  page.useChosenDirectory(devCpp, dev + L"MinGW64");
  EXPECT_TRUE(page.popupOpen);
  EXPECT_NE(devCpp.statusText, L"（未检测到）");
  EXPECT_EQ(page.message, devCpp.statusText);
  EXPECT_FALSE(devCpp.detected);

  const std::wstring mingw =
      mingwtest::mingwW64Root(disk.path() + L"tools\\", L"mingw-builds-8.1.0-x86_64-posix-seh.txt");
  page.popupOpen = false;
  page.message.clear();
  page.useChosenDirectory(other, mingw + L"bin");
  EXPECT_TRUE(other.detected);
  EXPECT_FALSE(page.popupOpen);
  EXPECT_EQ(page.message, L"");
  EXPECT_EQ(data.mingwTargets[kOtherMingwKind].baseDir, mingw + L"x86_64-w64-mingw32\\");
}

TEST_F(PageActions, ButtonsReachTheOperationOfTheirOwnEntry) {
  CatalogueData& data = page.catalogue;
  // Two Visual C++ targets holding the library: only the clicked one loses it.
  for (int index : {2, 5}) {
    VcTarget& target = data.vcTargets[static_cast<size_t>(index)];
    target = makeVcTarget(data, index == 2 ? 2010 : 2015);
    const std::wstring root = L"VS" + std::to_wstring(index);
    target.baseDir = disk.makeDirs(root + L"\\VC");
    target.includeSubdir = L"include\\";
    target.lib32Subdir = L"lib\\";
    target.lib64Subdir = L"lib\\amd64\\";
    for (const wchar_t* file : {L"include\\gravo.h", L"include\\graphics.h", L"lib\\Gravoa.lib",
                                L"lib\\Gravow.lib", L"lib\\amd64\\Gravoa.lib", L"lib\\amd64\\Gravow.lib"})
      disk.writeFile(root + L"\\VC\\" + file, gravoHeaderText("library"));
  }
  PlatformEntry& vc2010 = data.addEntry(data.shownEntries, L"  Visual C++ 2010", L"", L"", 2, true, false);
  page.uninstall(vc2010);
  EXPECT_TRUE(page.popupOpen);
  EXPECT_EQ(page.message, L"卸载成功");
  EXPECT_TRUE(disk.filesIn(L"VS2\\VC\\include\\").empty());
  EXPECT_TRUE(disk.filesIn(L"VS2\\VC\\lib\\amd64\\").empty());
  EXPECT_EQ(disk.filesIn(L"VS5\\VC\\lib\\").size(), 2u);
  page.uninstall(vc2010);
  EXPECT_EQ(page.message, L"卸载失败");
  // No payload beside this test program: the operation's own text is shown.
  page.popupOpen = false;
  page.install(vc2010);
  EXPECT_TRUE(page.popupOpen);
  EXPECT_EQ(page.message, L"安装失败");

  MingwTarget& mingw = data.mingwTargets[kOtherMingwKind];
  mingw.baseDir = disk.makeDirs(L"mingw64\\x86_64-w64-mingw32");
  mingw.lib64Subdir = L"lib\\";
  disk.writeFile(L"mingw64\\x86_64-w64-mingw32\\include\\gravo.h", "h");
  disk.writeFile(L"mingw64\\x86_64-w64-mingw32\\include\\graphics.h", "h");
  disk.writeFile(L"mingw64\\x86_64-w64-mingw32\\lib\\libgravo.a", "a");
  disk.writeFile(L"mingw64\\x86_64-w64-mingw32\\lib\\libgravow.a", "a");
  PlatformEntry& other =
      data.addEntry(data.shownEntries, L"  其它 MinGW", L"", L"", kOtherMingwKind, true, true);
  page.install(other);
  EXPECT_EQ(page.message, L"安装失败_inlcude");
  page.uninstall(other);
  EXPECT_EQ(page.message, L"卸载成功");
  EXPECT_TRUE(disk.filesIn(L"mingw64\\x86_64-w64-mingw32\\lib\\").empty());
  EXPECT_EQ(disk.filesIn(L"VS5\\VC\\include\\").size(), 2u);

  // The documentation entry is known by its index alone.
  const std::wstring shortcut = helpShortcutPath();
  ASSERT_FALSE(shortcut.empty());
  ASSERT_EQ(GetFileAttributesW(shortcut.c_str()), INVALID_FILE_ATTRIBUTES) << "a shortcut is already there";
  PlatformEntry docs;
  docs.index = kDocsEntryIndex;
  docs.isMingw = true;
  page.install(docs);
  EXPECT_EQ(page.message, L"安装成功");
  EXPECT_NE(GetFileAttributesW(shortcut.c_str()), INVALID_FILE_ATTRIBUTES);
  page.uninstall(docs);
  EXPECT_EQ(page.message, L"卸载成功");
  EXPECT_EQ(GetFileAttributesW(shortcut.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PageActions, DetectBuildsTheCatalogueOnlyOnce) {
  page.detect();
  const size_t shown = page.catalogue.shownEntries.size();
  EXPECT_EQ(shown, 15u) << "a bare test machine lists every environment";
  page.detect();
  EXPECT_EQ(page.catalogue.shownEntries.size(), shown);
  EXPECT_EQ(page.catalogue.entries.size(), shown);
}

}  // namespace
