// The wizard's second page: the list of development environments with their
// install and uninstall buttons, the directory chooser for the ones not
// found, and the message popup that reports every outcome. It owns the
// catalogue data for the run.
#ifndef GRAVO_APP_PLATFORM_PAGE_H
#define GRAVO_APP_PLATFORM_PAGE_H

#include <string>

#include "platforms/records.h"
#include "ui_backend/ui_backend.h"

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
  // Set when a button ran an install, an uninstall or the folder chooser,
  // which hold the frame loop; the loop clears it.
  bool ranOperation = false;

 private:
  void drawRow(PlatformEntry& entry, const nk_style_button& buttonStyle, bool listHovered, float lineHeight);
  void drawLine(const std::wstring& text, float y, float extra, bool listHovered, float lineHeight);
  void drawPopup(const nk_style_button& buttonStyle);
  void handBackButtonRelease();
};

#endif
