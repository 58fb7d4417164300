// The wizard's second page: the list of development environments with their
// install and uninstall buttons, the directory chooser for the ones not
// found, and the message popup that reports every outcome. It owns the
// catalogue data for the run.
#ifndef GRAVO_APP_PLATFORM_PAGE_H
#define GRAVO_APP_PLATFORM_PAGE_H

#include <string>

#include "platforms/records.h"
#include "ui_backend/ui_backend.h"

// What the buttons of one row call, chosen by the entry: the documentation
// entry (index -1) before anything else, then Visual C++ or MinGW by isMingw.
// Install gives "" on success or the text to show; uninstall always gives
// the text to show.
std::wstring installEntry(const CatalogueData& data, const PlatformEntry& entry);
std::wstring uninstallEntry(const CatalogueData& data, const PlatformEntry& entry);
// Manual detection of entry's environment in dir (and its ancestors): 0 when
// nothing is found, -1 when what is found is refused, otherwise found.
int detectEntryIn(CatalogueData& data, PlatformEntry& entry, const std::wstring& dir);

// The popup text after an install: "安装成功" for an empty result.
std::wstring installMessage(const std::wstring& result);
// The popup text after a manual detection that found nothing (0) or was
// refused (-1); "" for any other result, which shows no popup.
std::wstring chosenDirectoryMessage(const PlatformEntry& entry, int result);

// Height of a tooltip row for a text `textWidth` pixels wide wrapped at 340
// pixels: lineHeight * (textWidth / 340 + extra), not rounded.
float tooltipRowHeight(int textWidth, float lineHeight, float extra);

class PlatformPage {
 public:
  PlatformPage(nk_context* ctx, int width, int height);

  // Height 22, heavy, upright.
  const nk_user_font* makeTitleFont();
  // Lays out one frame. Back stores 1 through `currentPage`; Close stores 0
  // through `running`.
  void draw(int* running, int* currentPage);
  // Builds the catalogue; only the first call does anything.
  void detect();
  // The folder chooser: the chosen folder as the shell gives it (no trailing
  // backslash except for a drive root), or "" when cancelled.
  std::wstring chooseDirectory();

  // The buttons' effects on the page, outside any frame.
  void install(const PlatformEntry& entry);
  void uninstall(const PlatformEntry& entry);
  // A directory picked for an undetected entry: the row turns detected, or
  // the popup says why not.
  void useChosenDirectory(PlatformEntry& entry, const std::wstring& dir);

  nk_context* ctx;
  int width;
  int height;
  LOGFONTW titleLogfont{};
  UiFont titleBackendFont{};
  nk_user_font titleFont{};
  // The entry lists and every target of the catalogue.
  CatalogueData catalogue;
  std::wstring message;
  bool popupOpen = false;
  bool catalogueBuilt = false;

 private:
  void drawRow(PlatformEntry& entry, const nk_style_button& buttonStyle, bool listHovered,
               float lineHeight);
  void drawLine(const std::wstring& text, float y, float extra, bool listHovered,
                float lineHeight);
  void drawPopup(const nk_style_button& buttonStyle);
  void handBackButtonRelease();
};

#endif
