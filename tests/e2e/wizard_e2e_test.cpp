// The wizard as a user gets it: GravoSetup.exe copied into a downloads
// folder with its payload beside it, started as its own process on a
// developer's machine laid out by dev_machine.exe, and driven with real
// mouse input at the places its buttons show on the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/wizard_run.h"
#include "desktop_driver.h"
#include "discovery/fixtures.h"
#include "platforms/install_ops.h"
#include "platforms/payload.h"

using e2e::rgb;
using e2e::ScreenShot;

namespace {

const DWORD kTimeoutMs = 60000;

// Where the wizard shows things, in client coordinates.
const POINT kNext = {330, 306};
const POINT kBack = {330, 306};
const POINT kClose = {430, 306};
const POINT kPopupOk = {230, 160};
const int kInstallX = 377;
const int kUninstallX = 427;
const int kChooserX = 402;
// The list shows y 107 to 265. A row's top is the first row of its buttons'
// faces, under their top border; face and bottom border take 29 pixels.
const int kListTop = 107;
const int kListEnd = 266;
const int kButtonHeight = 29;
const int kScrollBarX = 485;
const RECT kPopupText = {121, 101, 340, 147};

const DWORD kButtonFace = rgb(222, 222, 222);
const DWORD kButtonHover = rgb(255, 255, 255);
const DWORD kBorder = rgb(65, 65, 65);

bool welcomeShown(const ScreenShot& s) {
  return s.at(5, 5) == rgb(33, 23, 129) && s.at(155, 270) == rgb(245, 245, 239);
}
bool platformsShown(const ScreenShot& s) {
  return s.at(2, 2) == rgb(250, 250, 250) && s.at(2, 320) == rgb(235, 235, 209);
}
bool popupShown(const ScreenShot& s) {
  for (int x = 120; x <= 340; x += 5)
    if (s.at(x, 100) != kBorder || s.at(x, 180) != kBorder) return false;
  return s.at(kPopupOk.x - 80, kPopupOk.y) != rgb(235, 235, 209);
}

std::wstring exeDir() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L'\\') + 1);
}

// Runs a program of this directory to its end; its exit code, or -1.
int runHere(const std::wstring& arguments) {
  std::wstring command = L"\"" + exeDir() + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, kTimeoutMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  else TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

// Every file below a directory with its content, by path relative to it.
using Files = std::map<std::wstring, std::string>;

Files filesBelow(const std::wstring& dir) {
  Files files;
  std::error_code error;
  for (const auto& item : std::filesystem::recursive_directory_iterator(dir, error)) {
    if (!item.is_regular_file()) continue;
    std::ifstream in(item.path(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    files[item.path().wstring().substr(dir.size())] = content.str();
  }
  return files;
}

// A directory as a command-line argument: a backslash before the closing
// quote would escape it.
std::wstring withoutSlash(const std::wstring& dir) { return dir.substr(0, dir.size() - 1); }

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// What the popup's message band shows for `message`, drawn by this
// process's own copy of the page (off the screen, so it covers nothing).
ScreenShot referencePopup(const std::wstring& message) {
  WizardSession session;
  if (!startWizard(session)) return ScreenShot();
  SetWindowPos(session.hwnd, nullptr, 2000, 2000, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  session.detectionStarted = true;
  currentPage = 2;
  PlatformPage& page = *session.app->platformPage;
  page.message = message;
  page.popupOpen = true;
  runFrame(session);
  runFrame(session);
  const ScreenShot shot(gr_image_buffer(nullptr), 490, 328);
  shutdownWizard(session);
  currentPage = 1;
  return shot;
}

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    // One place for the machine, so that a run cut short is replaced by the
    // next one instead of standing in its way.
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    machine = std::wstring(temp) + L"gravo-e2e-machine\\";
    ASSERT_EQ(runHere(L"dev_machine.exe\" prepare \"" + withoutSlash(machine) + L"\""), 0);
    // The wizard and its payload as they arrive, in a folder with a space.
    setup = disk.makeDirs(L"Downloads\\Gravo Setup");
    ASSERT_TRUE(CopyFileW((exeDir() + L"..\\..\\app\\GravoSetup.exe").c_str(),
                          (setup + L"GravoSetup.exe").c_str(), FALSE));
    for (const PayloadFile& file : payloadTable()) writePayload(file.sourceSubdir + file.fileName);
    for (const wchar_t* variant : {L"lib_mingw_492", L"lib_mingw_ucrt", L"lib_mingw_msvcrt"})
      for (const wchar_t* arch : {L"\\x86\\", L"\\x64\\"})
        for (const wchar_t* name : {L"libgravo.a", L"libgravow.a"})
          writePayload(variant + std::wstring(arch) + name);
    desktop = desktopFolder() + L"\\";
    ASSERT_NE(desktop, L"\\");
  }

  void TearDown() override {
    if (process.hProcess) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, kTimeoutMs);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    e2e::leftUp();
    EXPECT_EQ(runHere(L"dev_machine.exe\" remove \"" + withoutSlash(machine) + L"\""), 0);
    DeleteFileW((desktop + L"Gravo_Help.lnk").c_str());
  }

  void writePayload(const std::wstring& relative) {
    const std::string tag = "payload " + narrow(relative);
    payload[relative] = relative == L"include\\graphics.h" ? gravoHeaderText(tag) : tag;
    disk.writeFile(L"Downloads\\Gravo Setup\\" + relative, payload[relative]);
  }

  // Starts the wizard from another folder than its own and waits for its
  // window; then the welcome page shows.
  void start() {
    std::wstring command = L"\"" + setup + L"GravoSetup.exe\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, disk.path().c_str(),
                               &startup, &process));
    ASSERT_TRUE(e2e::waitFor(
        [&] {
          hwnd = e2e::findWindow(process.dwProcessId, L"GravoWnd");
          return hwnd != nullptr || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        },
        kTimeoutMs));
    ASSERT_NE(hwnd, nullptr) << "the wizard ended before showing its window";
    ASSERT_TRUE(e2e::waitFor([&] { return welcomeShown(shot()); }, kTimeoutMs));
  }

  ScreenShot shot() const { return ScreenShot(hwnd); }

  bool clickUntil(POINT at, bool (*shown)(const ScreenShot&)) {
    return e2e::click(
        hwnd, at.x, at.y, [&] { return shown(shot()); }, kTimeoutMs);
  }

  void toPlatformPage() {
    start();
    ASSERT_TRUE(clickUntil(kNext, platformsShown)) << "no platform page after Next";
  }

  DWORD exitCode() {
    if (WaitForSingleObject(process.hProcess, kTimeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
  }

  Files everything() const {
    Files files = filesBelow(machine);
    for (const auto& [name, content] : filesBelow(desktop)) files[L"<desktop>\\" + name] = content;
    return files;
  }

  ScratchDir disk;
  std::wstring machine;
  std::wstring setup;
  std::wstring desktop;
  Files payload;
  PROCESS_INFORMATION process{};
  HWND hwnd = nullptr;
};

// One row of the list as the screen shows it.
struct Row {
  int top;
  bool detected;
};

// The rows whose buttons show whole: down x 357 a button is a border, its
// face and a border again; a detected row has a gap between its two
// buttons.
std::vector<Row> visibleRows(const ScreenShot& s) {
  std::vector<Row> rows;
  const auto face = [&](int y) { return s.at(357, y) == kButtonFace || s.at(357, y) == kButtonHover; };
  for (int y = kListTop; y < kListEnd; ++y) {
    if (s.at(357, y) != kBorder || !face(y + 1)) continue;
    int bottom = y + 1;
    while (bottom < kListEnd && face(bottom)) ++bottom;
    if (bottom < kListEnd && s.at(357, bottom) == kBorder && bottom - y > 20) {
      const DWORD between = s.at(402, y + 3);
      rows.push_back({y + 1, between != kButtonFace && between != kButtonHover});
    }
    y = bottom;
  }
  return rows;
}

// Rows one pitch apart from the top of the list to its bottom: no tooltip
// or half-drawn frame hides any of them.
bool complete(const std::vector<Row>& rows, int pitch) {
  if (rows.empty() || rows.front().top > kListTop + pitch ||
      rows.back().top + pitch + kButtonHeight <= kListEnd)
    return false;
  for (size_t i = 1; i < rows.size(); ++i)
    if (rows[i].top - rows[i - 1].top != pitch) return false;
  return true;
}

bool sameTops(const std::vector<Row>& a, const std::vector<Row>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].top != b[i].top) return false;
  return true;
}

// Walks the list with the mouse wheel, knowing which row is which from
// where the first one stood before any scrolling and how far apart rows are.
class ListWalker {
 public:
  // Starts on a list scrolled to its top, with the pointer off the lines.
  explicit ListWalker(HWND hwnd) : hwnd_(hwnd) {
    e2e::pointAt(hwnd_, 50, 190);
    e2e::waitFor(
        [&] {
          rows_ = visibleRows(ScreenShot(hwnd));
          return rows_.size() >= 2 && complete(rows_, rows_[1].top - rows_[0].top);
        },
        kTimeoutMs);
    if (rows_.size() >= 2) {
      firstTop_ = rows_[0].top;
      pitch_ = rows_[1].top - rows_[0].top;
    }
    for (size_t i = 0; i < rows_.size(); ++i) record(static_cast<int>(i), rows_[i]);
  }

  bool usable() const { return pitch_ > 0; }
  int pitch() const { return pitch_; }
  int firstTop() const { return firstTop_; }
  const std::map<int, bool>& seen() const { return detected_; }

  // One notch down; false when the list did not move (it is at its end).
  bool scrollDown() {
    // Over the labels, which have no tooltip that could cover the buttons.
    e2e::pointAt(hwnd_, 50, 190);
    e2e::wheel(-1);
    std::vector<Row> now;
    const bool moved = e2e::waitFor(
        [&] {
          now = visibleRows(ScreenShot(hwnd_));
          return complete(now, pitch_) && !sameTops(now, rows_);
        },
        3000);
    if (!moved) return false;
    // A notch moves the list by less than a row: the first row in view is
    // the one whose place gives an offset at most one row past the last.
    int k = 0;
    while (firstTop_ + k * pitch_ - now[0].top < offset_) ++k;
    offset_ = firstTop_ + k * pitch_ - now[0].top;
    for (size_t i = 0; i < now.size(); ++i) record(k + static_cast<int>(i), now[i]);
    rows_ = now;
    return true;
  }

  // Scrolls until row k shows whole; its top, or -1.
  int bringIntoView(int k) {
    while (top(k) + kButtonHeight > kListEnd)
      if (!scrollDown()) return -1;
    return top(k) > kListTop ? top(k) : -1;
  }

 private:
  int top(int k) const { return firstTop_ + k * pitch_ - offset_; }
  void record(int k, const Row& row) { detected_[k] = row.detected; }

  HWND hwnd_;
  std::vector<Row> rows_;
  std::map<int, bool> detected_;
  int firstTop_ = 0;
  int pitch_ = 0;
  int offset_ = 0;
};

TEST_F(Wizard, ListsThePreparedMachineAndScrollsWithWheelAndScrollBar) {
  toPlatformPage();
  ListWalker walker(hwnd);
  ASSERT_TRUE(walker.usable()) << "no rows on the platform page";
  EXPECT_EQ(walker.pitch(), 39);
  while (walker.scrollDown()) {
  }
  // The documentation, Visual C++ 6.0, 2010 and 2019, Dev-C++, CLion and
  // Code::Blocks are found; the seven other Visual C++ versions and the
  // other-MinGW choice are not.
  std::vector<bool> expected(15, false);
  for (int k = 0; k < 7; ++k) expected[k] = true;
  std::vector<bool> shown;
  for (const auto& [k, detected] : walker.seen()) {
    EXPECT_EQ(k, static_cast<int>(shown.size()));
    shown.push_back(detected);
  }
  EXPECT_EQ(shown, expected);
  // Detection ran each environment's gcc without the Administrators group.
  const Files files = everything();
  for (const wchar_t* bin :
       {L"Dev-Cpp\\MinGW64\\bin\\", L"CLion 2023.2\\bin\\mingw\\bin\\", L"CodeBlocks\\MinGW\\bin\\"}) {
    const auto record = files.find(std::wstring(bin) + L"gcc-args.txt");
    ASSERT_NE(record, files.end()) << narrow(bin);
    EXPECT_NE(record->second.find("administrators: not enabled"), std::string::npos) << record->second;
  }

  // Dragging the scroll bar's cursor to the top brings the first row back.
  const ScreenShot bottom = shot();
  int cursor = -1;
  for (int y = kListEnd - 1; y >= kListTop && cursor < 0; --y)
    if (bottom.at(kScrollBarX, y) == rgb(166, 166, 166)) cursor = y - 5;
  ASSERT_GT(cursor, kListTop);
  ASSERT_TRUE(e2e::pointAt(hwnd, kScrollBarX, cursor));
  e2e::leftDown();
  ASSERT_TRUE(e2e::waitFor([&] { return shot().at(kScrollBarX, cursor) == rgb(110, 100, 110); }, kTimeoutMs));
  e2e::pointAt(hwnd, kScrollBarX, kListTop - 60);
  const bool atTop = e2e::waitFor(
      [&] {
        const std::vector<Row> rows = visibleRows(shot());
        return !rows.empty() && rows[0].top == walker.firstTop();
      },
      kTimeoutMs);
  e2e::leftUp();
  EXPECT_TRUE(atTop);
}

TEST_F(Wizard, InstallsIntoAndUninstallsFromEveryEnvironmentFound) {
  const ScreenShot installed = referencePopup(L"安装成功");
  const ScreenShot uninstalled = referencePopup(L"卸载成功");
  ASSERT_FALSE(installed.empty());
  ASSERT_FALSE(installed.sameIn(uninstalled, kPopupText));

  // What each row receives: destination (relative to the machine) from
  // payload file, in list order.
  const std::wstring vc98 = L"Microsoft Visual Studio\\VC98\\";
  const std::wstring vc10 = L"Microsoft Visual Studio 10.0\\VC\\";
  const std::wstring vs19 = L"Microsoft Visual Studio\\2019\\Community\\VC\\Auxiliary\\VS\\";
  const std::wstring dev = L"Dev-Cpp\\MinGW64\\x86_64-w64-mingw32\\";
  const std::wstring clion = L"CLion 2023.2\\bin\\mingw\\x86_64-w64-mingw32\\";
  const std::wstring blocks = L"CodeBlocks\\MinGW\\x86_64-w64-mingw32\\";
  const auto headers = [](const std::wstring& dir) {
    return std::map<std::wstring, std::wstring>{{dir + L"include\\gravo.h", L"include\\gravo.h"},
                                                {dir + L"include\\graphics.h", L"include\\graphics.h"}};
  };
  const auto libs = [](std::map<std::wstring, std::wstring> files, const std::wstring& dir,
                       const std::wstring& from, const wchar_t* a, const wchar_t* w) {
    files[dir + a] = from + a;
    files[dir + w] = from + w;
    return files;
  };
  const auto vcLibs = [&](std::map<std::wstring, std::wstring> files, const std::wstring& dir,
                          const std::wstring& from) {
    return libs(files, dir, from, L"Gravoa.lib", L"Gravow.lib");
  };
  const auto mingwLibs = [&](std::map<std::wstring, std::wstring> files, const std::wstring& dir,
                             const std::wstring& from) {
    return libs(files, dir, from, L"libgravo.a", L"libgravow.a");
  };
  const std::vector<std::map<std::wstring, std::wstring>> expected = {
      {},
      vcLibs(headers(vc98), vc98 + L"Lib\\", L"lib_vc6\\"),
      vcLibs(vcLibs(headers(vc10), vc10 + L"lib\\", L"lib_vc2008\\x86\\"), vc10 + L"lib\\amd64\\",
             L"lib_vc2008\\x64\\"),
      vcLibs(vcLibs(headers(vs19), vs19 + L"lib\\x86\\", L"lib_vc2015\\x86\\"), vs19 + L"lib\\x64\\",
             L"lib_vc2015\\x64\\"),
      mingwLibs(mingwLibs(headers(dev), dev + L"lib32\\", L"lib_mingw_492\\x86\\"), dev + L"lib\\",
                L"lib_mingw_492\\x64\\"),
      mingwLibs(headers(clion), clion + L"lib\\", L"lib_mingw_msvcrt\\x64\\"),
      mingwLibs(headers(blocks), blocks + L"lib\\", L"lib_mingw_msvcrt\\x64\\"),
  };

  toPlatformPage();
  ListWalker walker(hwnd);
  ASSERT_TRUE(walker.usable());
  for (int k = 0; k < static_cast<int>(expected.size()); ++k) {
    SCOPED_TRACE("row " + std::to_string(k));
    const int top = walker.bringIntoView(k);
    ASSERT_GE(top, 0);
    const Files before = everything();

    ASSERT_TRUE(clickUntil({kInstallX, top + 15}, popupShown));
    ScreenShot popup = shot();
    EXPECT_TRUE(popup.sameIn(installed, kPopupText)) << "the popup does not say 安装成功";
    Files after = everything();
    Files added;
    for (const auto& [name, content] : after)
      if (!before.count(name) || before.at(name) != content) added[name] = content;
    for (const auto& [name, content] : before) EXPECT_TRUE(after.count(name)) << narrow(name) << " went away";
    if (k == 0) {
      EXPECT_EQ(added.size(), 1u);
      EXPECT_TRUE(added.count(L"<desktop>\\Gravo_Help.lnk"));
    } else {
      Files wanted;
      for (const auto& [destination, source] : expected[static_cast<size_t>(k)])
        wanted[destination] = payload[source];
      EXPECT_EQ(added, wanted);
    }
    ASSERT_TRUE(clickUntil(kPopupOk, [](const ScreenShot& s) { return !popupShown(s); }));

    ASSERT_TRUE(clickUntil({kUninstallX, top + 15}, popupShown));
    EXPECT_TRUE(shot().sameIn(uninstalled, kPopupText)) << "the popup does not say 卸载成功";
    EXPECT_TRUE(everything() == before) << "uninstall left the machine changed";
    ASSERT_TRUE(clickUntil(kPopupOk, [](const ScreenShot& s) { return !popupShown(s); }));
  }
}

TEST_F(Wizard, BackShowsTheWelcomePageAndCloseEndsWithExitCodeZero) {
  toPlatformPage();
  ASSERT_TRUE(clickUntil(kBack, welcomeShown));
  ASSERT_TRUE(clickUntil(kNext, platformsShown));
  ASSERT_TRUE(e2e::click(
      hwnd, kClose.x, kClose.y, [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; },
      kTimeoutMs));
  EXPECT_EQ(exitCode(), 0u);
}

// A touchpad tap sends the press and the release back to back. The first
// one here is made while start-up detection runs (held in CLion's compiler
// until then), after the mouse moved at length, and waits in the queue
// behind it.
TEST_F(Wizard, TapsOnNextAndBackWorkAsClicksDo) {
  const std::wstring tag = std::to_wstring(GetCurrentProcessId());
  const std::wstring probing = L"gravo-e2e-probing-" + tag;
  const std::wstring go = L"gravo-e2e-go-" + tag;
  const std::wstring record = machine + L"CLion 2023.2\\bin\\mingw\\bin\\gcc-v.txt";
  std::string text;
  {
    std::ifstream in(record.c_str(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    text = content.str();
  }
  ASSERT_FALSE(text.empty());
  std::ofstream(record.c_str(), std::ios::binary) << "#hold " << narrow(probing) << " " << narrow(go) << "\n"
                                                  << text;
  const HANDLE probingEvent = CreateEventW(nullptr, TRUE, FALSE, probing.c_str());
  const HANDLE goEvent = CreateEventW(nullptr, TRUE, FALSE, go.c_str());
  struct LetGo {
    HANDLE events[2];
    ~LetGo() {
      SetEvent(events[1]);
      for (HANDLE e : events) CloseHandle(e);
    }
  } letGo{{probingEvent, goEvent}};

  start();
  ASSERT_EQ(WaitForSingleObject(probingEvent, kTimeoutMs), WAIT_OBJECT_0) << "detection never probed CLion";
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(e2e::pointAt(hwnd, 150 + i % 100, 150 + i % 7));
  ASSERT_TRUE(e2e::pointAt(hwnd, kNext.x, kNext.y));
  e2e::leftDown();
  e2e::leftUp();
  SetEvent(goEvent);
  ASSERT_TRUE(e2e::waitFor([&] { return platformsShown(shot()); }, kTimeoutMs)) << "the tap on Next was lost";
  e2e::leftDown();
  e2e::leftUp();
  EXPECT_TRUE(e2e::waitFor([&] { return welcomeShown(shot()); }, kTimeoutMs)) << "the tap on Back was lost";
}

TEST_F(Wizard, AClickMadeDuringAnInstallLeavesItsPopupUp) {
  toPlatformPage();
  ListWalker walker(hwnd);
  ASSERT_TRUE(walker.usable());
  const int top = walker.bringIntoView(1);
  ASSERT_GE(top, 0);
  const Files before = everything();
  ASSERT_TRUE(e2e::pointAt(hwnd, kInstallX, top + 15));
  // The press installs Visual C++ 6.0; the user clicks again at once and
  // moves to where the popup's OK comes, while the install may still run.
  e2e::leftDown();
  e2e::leftUp();
  e2e::leftDown();
  e2e::leftUp();
  ASSERT_TRUE(e2e::pointAt(hwnd, kPopupOk.x, kPopupOk.y));
  ASSERT_TRUE(e2e::waitFor([&] { return popupShown(shot()); }, kTimeoutMs));
  // OK lit up under the resting pointer: the wizard has been through both
  // clicks and knows where the pointer is.
  ASSERT_TRUE(
      e2e::waitFor([&] { return shot().at(kPopupOk.x - 80, kPopupOk.y) == kButtonHover; }, kTimeoutMs));
  EXPECT_TRUE(popupShown(shot()));
  // One tap closes it.
  e2e::leftDown();
  e2e::leftUp();
  ASSERT_TRUE(e2e::waitFor([&] { return !popupShown(shot()); }, kTimeoutMs));
  ASSERT_TRUE(clickUntil({kUninstallX, top + 15}, popupShown));
  EXPECT_TRUE(everything() == before);
}

TEST_F(Wizard, TheCloseBoxEndsTheWizardWithExitCodeZero) {
  // Without a window manager nothing draws the frame, so Wine is asked to
  // draw it for the wizard, close box included.
  RegistryFixture registry;
  registry.setString(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\GravoSetup.exe\\X11 Driver",
                     L"Decorated", L"N");
  toPlatformPage();
  RECT frame;
  ASSERT_TRUE(GetWindowRect(hwnd, &frame));
  // The close box as the window itself reports it under the pointer.
  POINT box = {-1, -1};
  for (int x = frame.right - 2; x > frame.right - 60 && box.x < 0; --x) {
    for (int y = frame.top + 2; y < frame.top + 30 && box.x < 0; ++y) {
      DWORD_PTR hit = 0;
      SendMessageTimeoutW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 5000, &hit);
      if (hit == HTCLOSE) box = {x - 3, y + 3};
    }
  }
  ASSERT_GE(box.x, 0) << "no close box";
  ScreenToClient(hwnd, &box);
  ASSERT_TRUE(e2e::pointAt(hwnd, box.x, box.y));
  e2e::leftDown();
  Sleep(100);
  e2e::leftUp();
  EXPECT_EQ(exitCode(), 0u);
}

TEST_F(Wizard, TheChooserOpensTheFolderDialogAndCancellingChangesNothing) {
  toPlatformPage();
  ListWalker walker(hwnd);
  ASSERT_TRUE(walker.usable());
  // The first row not found: Visual C++ 2008.
  const int top = walker.bringIntoView(7);
  ASSERT_GE(top, 0);
  ASSERT_FALSE(visibleRows(shot()).empty());
  const Files before = everything();
  e2e::pointAt(hwnd, 240, kListEnd + 45);
  const ScreenShot list = shot();

  ASSERT_TRUE(e2e::click(
      hwnd, kChooserX, top + 15, [&] { return e2e::findWindow(process.dwProcessId, L"#32770") != nullptr; },
      kTimeoutMs))
      << "no folder dialog";
  const HWND dialog = e2e::findWindow(process.dwProcessId, L"#32770");
  HWND cancel = GetDlgItem(dialog, IDCANCEL);
  ASSERT_NE(cancel, nullptr);
  RECT button;
  ASSERT_TRUE(GetWindowRect(cancel, &button));
  POINT middle = {(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  ScreenToClient(hwnd, &middle);
  ASSERT_TRUE(e2e::pointAt(hwnd, middle.x, middle.y));
  e2e::leftDown();
  Sleep(100);
  e2e::leftUp();
  ASSERT_TRUE(e2e::waitFor([&] { return !IsWindow(dialog); }, kTimeoutMs)) << "the dialog stays open";

  // The row still offers the chooser, no popup opened, nothing changed.
  e2e::pointAt(hwnd, 240, kListEnd + 45);
  EXPECT_TRUE(e2e::waitFor([&] { return shot().sameIn(list, RECT{0, 0, 490, 328}); }, 10000));
  EXPECT_FALSE(popupShown(shot()));
  EXPECT_TRUE(everything() == before);
  // The wizard takes the next click as usual.
  EXPECT_TRUE(clickUntil(kBack, welcomeShown));
}

}  // namespace

namespace {

std::wstring codeBlocksPath() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\CodeBlocks", 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) !=
      ERROR_SUCCESS)
    return L"";
  wchar_t value[MAX_PATH] = {};
  DWORD bytes = sizeof(value) - sizeof(wchar_t);
  RegQueryValueExW(key, L"Path", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes);
  RegCloseKey(key);
  return value;
}

TEST(DevMachine, TakesAwayOnlyWhatItLaidOut) {
  ScratchDir disk;
  const std::wstring foreign = disk.makeDirs(L"someone else");
  disk.writeFile(L"someone else\\notes.txt", "mine");
  EXPECT_EQ(runHere(L"dev_machine.exe\" prepare \"" + withoutSlash(foreign) + L"\""), 2);
  EXPECT_EQ(runHere(L"dev_machine.exe\" remove \"" + withoutSlash(foreign) + L"\""), 2);
  EXPECT_EQ(disk.readFile(L"someone else\\notes.txt"), "mine");
  EXPECT_EQ(runHere(L"dev_machine.exe\" remove C:\\"), 2);

  const std::wstring root = disk.path() + L"machine";
  ASSERT_EQ(runHere(L"dev_machine.exe\" prepare \"" + root + L"\""), 0);
  EXPECT_EQ(codeBlocksPath(), root + L"\\CodeBlocks");
  EXPECT_TRUE(disk.exists(L"machine\\Dev-Cpp\\devcpp.exe"));
  // Laying it out again replaces it.
  ASSERT_EQ(runHere(L"dev_machine.exe\" prepare \"" + root + L"\""), 0);
  ASSERT_EQ(runHere(L"dev_machine.exe\" remove \"" + root + L"\""), 0);
  EXPECT_FALSE(disk.exists(L"machine"));
  EXPECT_EQ(codeBlocksPath(), L"");
  EXPECT_EQ(disk.readFile(L"someone else\\notes.txt"), "mine");
}

}  // namespace
