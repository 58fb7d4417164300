// The wizard's figures on the machine it runs on, printed as a table:
//   - the size of each file named after the two programs;
//   - start-up: from CreateProcess to the first frame the screen shows,
//     for the wizard and for a bare Win32 window program, alternately;
//   - buildCatalogue on the machine's registry and disks, several runs;
//   - per page, the median time to take input, lay out and render one frame
//     into the back buffer without presenting it, and the present apart;
//   - per page, the wizard's CPU share while it idles in its frame loop,
//     with how many of its frames were laid out and how many rendered;
//   - per page, the CPU share of the real wizard process idling after a
//     tap (press and release back to back) brought the page, and of the
//     prefix's Wine server.
//
//   bench <wizard.exe> <bare_window.exe> [<file to size>...]
//   bench idle <wizard.exe>     the real wizard's idle figures alone
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/wizard_run.h"
#include "platforms/catalogue.h"
#include "support/child_process.h"

namespace {

const int kStartRuns = 15;
const int kCatalogueRuns = 5;
const int kFrames = 1000;
const DWORD kIdleMs = 3000;
const DWORD kProcessIdleMs = 5000;
const DWORD kSettleMs = 1000;
// Long enough for detection on the demo machine, which the first tap may
// wait behind.
const DWORD kTapWaitMs = 10000;
const DWORD kTimeoutMs = 60000;
const int kWidth = 490;
const int kHeight = 328;

double now() {
  static LARGE_INTEGER frequency = {};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? static_cast<size_t>(size) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  return bytes.c_str();
}

// Whether the screen shows anything but black in the window's client area.
bool shows_a_frame(HWND hwnd, HDC screen, HDC memory, const DWORD* bits) {
  POINT origin = {0, 0};
  if (!ClientToScreen(hwnd, &origin)) return false;
  if (!BitBlt(memory, 0, 0, kWidth, kHeight, screen, origin.x, origin.y, SRCCOPY)) return false;
  GdiFlush();
  for (int i = 0; i < kWidth * kHeight; i += 7) {
    if (bits[i] & 0xFFFFFF) return true;
  }
  return false;
}

// Seconds from CreateProcess to the first non-black frame on screen; a
// negative value when the program showed none within the time-out.
double start_to_first_frame(const std::wstring& program) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (!screen || !bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    if (screen) ReleaseDC(nullptr, screen);
    return -1;
  }
  HGDIOBJ old = SelectObject(memory, bitmap);

  double seconds = -1;
  support::ChildProcess child;
  const double started = now();
  if (child.start(program)) {
    HWND hwnd = nullptr;
    while (now() - started < kTimeoutMs / 1000.0) {
      if (!hwnd) hwnd = support::findWindow(child.pid(), nullptr);
      if (hwnd && shows_a_frame(hwnd, screen, memory, static_cast<const DWORD*>(bits))) {
        seconds = now() - started;
        break;
      }
      if (WaitForSingleObject(child.handle(), 1) == WAIT_OBJECT_0) break;
    }
    child.end();
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return seconds;
}

double fastest(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void report_start_up(const std::wstring& wizard, const std::wstring& bare) {
  // One start of each first, not counted: it pays for loading the programs
  // and Wine's DLLs from disk.
  start_to_first_frame(bare);
  start_to_first_frame(wizard);
  std::vector<double> wizard_times;
  std::vector<double> bare_times;
  for (int run = 0; run < kStartRuns; ++run) {
    // Alternating which goes first, so that neither always follows the other.
    const bool bare_first = run % 2 == 0;
    const double first = start_to_first_frame(bare_first ? bare : wizard);
    const double second = start_to_first_frame(bare_first ? wizard : bare);
    const double b = bare_first ? first : second;
    const double w = bare_first ? second : first;
    if (b > 0) bare_times.push_back(b);
    if (w > 0) wizard_times.push_back(w);
  }
  const double w = median(wizard_times) * 1000;
  const double b = median(bare_times) * 1000;
  std::printf("start to first presented frame (median of %d runs each, fastest in brackets)\n", kStartRuns);
  std::printf("  wizard              %8.1f ms (%.1f)  %zu runs showed a frame\n", w,
              fastest(wizard_times) * 1000, wizard_times.size());
  std::printf("  bare Win32 window   %8.1f ms (%.1f)  %zu runs showed a frame\n", b,
              fastest(bare_times) * 1000, bare_times.size());
  if (b > 0) {
    std::printf("  ratio               %8.2f    (%.2f)  target at most 1.50\n", w / b,
                fastest(wizard_times) / fastest(bare_times));
  }
}

void report_catalogue() {
  std::vector<double> times;
  size_t detected = 0;
  size_t undetected = 0;
  for (int run = 0; run < kCatalogueRuns; ++run) {
    auto data = std::make_unique<CatalogueData>();
    const double started = now();
    buildCatalogue(*data);
    times.push_back(now() - started);
    detected = data->detectedEntries.size();
    undetected = data->undetectedEntries.size();
  }
  std::sort(times.begin(), times.end());
  std::printf("buildCatalogue (median of %d, fastest %.1f ms)\n", kCatalogueRuns, times.front() * 1000);
  std::printf("  %8.1f ms, %zu detected and %zu undetected entries\n", median(times) * 1000, detected,
              undetected);
}

// Text measuring: the toolkit asks the font for widths while it lays out.
int width_calls = 0;
double width_seconds = 0;
float counted_text_width(nk_handle handle, float height, const char* text, int length) {
  const double started = now();
  const float width = ui_text_width(handle, height, text, length);
  width_seconds += now() - started;
  ++width_calls;
  return width;
}

// For comparison: widths measured with each font created once and kept
// selected in a DC of its own, instead of switching the target's font to it
// and back for every call. Every width is checked against ui_text_width.
struct KeptFont {
  LOGFONTW style;
  HFONT font;
};
std::vector<KeptFont> kept_fonts;
HDC kept_dc = nullptr;
int kept_mismatches = 0;

float kept_text_width(nk_handle handle, float height, const char* text, int length) {
  const UiFont* font = static_cast<const UiFont*>(handle.ptr);
  if (!font || !font->text_style || !text || length <= 0) return 0.0f;
  const double started = now();
  HFONT selected = nullptr;
  for (const KeptFont& kept : kept_fonts) {
    if (std::memcmp(&kept.style, font->text_style, sizeof(LOGFONTW)) == 0) selected = kept.font;
  }
  if (!selected) {
    selected = CreateFontIndirectW(font->text_style);
    kept_fonts.push_back({*font->text_style, selected});
  }
  SelectObject(kept_dc, selected);
  wchar_t wide[512];
  const int units = MultiByteToWideChar(CP_UTF8, 0, text, length, wide, 511);
  SIZE size = {0, 0};
  GetTextExtentPoint32W(kept_dc, wide, units, &size);
  width_seconds += now() - started;
  ++width_calls;
  if (static_cast<float>(size.cx) != ui_text_width(handle, height, text, length)) ++kept_mismatches;
  return static_cast<float>(size.cx);
}

int count_commands(nk_context* ctx) {
  int count = 0;
  const nk_command* cmd = nullptr;
  nk_foreach(cmd, ctx) { ++count; }
  return count;
}

void report_frames(WizardSession& session, int page, const char* name) {
  currentPage = page;
  std::vector<double> input_times, layout_times, render_times, frame_times, present_times;
  int commands = 0;
  for (int frame = -20; frame < kFrames; ++frame) {
    const double t0 = now();
    nk_input_begin(session.ctx);
    GraphMessage message;
    while (gr_peek_message(&message, GM_ALL, true)) ui_backend_handle(session.hwnd, &message);
    nk_input_end(session.ctx);
    const double t1 = now();
    session.app->draw();
    const double t2 = now();
    commands = count_commands(session.ctx);
    const double t3 = now();
    ui_backend_render(nk_rgb(99, 99, 99));
    const double t4 = now();
    if (frame < 0) continue;
    input_times.push_back(t1 - t0);
    layout_times.push_back(t2 - t1);
    render_times.push_back(t4 - t3);
    frame_times.push_back((t2 - t0) + (t4 - t3));
    if (frame % 10 == 0) {
      const double p0 = now();
      gr_batch_flush();
      present_times.push_back(now() - p0);
    }
  }
  std::printf(
      "%s page: frame %.3f ms median (input %.3f, layout %.3f, render %.3f; %d draw commands); "
      "present %.3f ms\n",
      name, median(frame_times) * 1000, median(input_times) * 1000, median(layout_times) * 1000,
      median(render_times) * 1000, commands, median(present_times) * 1000);

  // Where the layout goes: the text widths the toolkit asks for, counted in
  // frames of their own so that the counting does not touch the figures
  // above. Page fonts copy the UI font's callback when they are made.
  const int profiled = 100;
  nk_text_width_f measure = session.uiFont->nk.width;
  const nk_text_width_f ways[] = {counted_text_width, kept_text_width};
  for (nk_text_width_f way : ways) {
    session.uiFont->nk.width = way;
    width_calls = 0;
    width_seconds = 0;
    kept_mismatches = 0;
    double layout_seconds = 0;
    for (int frame = 0; frame < profiled; ++frame) {
      nk_input_begin(session.ctx);
      nk_input_end(session.ctx);
      const double started = now();
      session.app->draw();
      layout_seconds += now() - started;
      ui_backend_render(nk_rgb(99, 99, 99));
    }
    if (way == counted_text_width) {
      std::printf(
          "  layout profile: %d text width calls per frame, %.3f ms of %.3f ms layout (%.1f us each)\n",
          width_calls / profiled, width_seconds * 1000 / profiled, layout_seconds * 1000 / profiled,
          width_calls ? width_seconds * 1e6 / width_calls : 0.0);
    } else {
      // The layout figure includes the checking calls; the widths alone
      // are what measuring would cost.
      std::printf(
          "  with each font kept selected: %.3f ms of widths per frame (%.1f us each), "
          "%d of %d widths differ\n",
          width_seconds * 1000 / profiled, width_calls ? width_seconds * 1e6 / width_calls : 0.0,
          kept_mismatches, width_calls);
    }
  }
  session.uiFont->nk.width = measure;
}

double seconds(const FILETIME& t) {
  return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

double cpu_seconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return seconds(kernel) + seconds(user);
}

// The frame loop's own thread; the rest of the process is the window thread.
// Process and thread times are counted in ticks of their own, so a window
// thread that did nothing can come out a tick below zero: it shows as 0.
double main_thread_cpu_seconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  return seconds(kernel) + seconds(user);
}

void report_idle(WizardSession& session, int page, const char* name) {
  currentPage = page;
  for (int frame = 0; frame < 20; ++frame) runFrame(session);
  const double cpu = cpu_seconds();
  const double main_cpu = main_thread_cpu_seconds();
  const double started = now();
  const long laid_out = session.framesLaidOut;
  const long rendered = session.framesRendered;
  while (now() - started < kIdleMs / 1000.0) {
    runFrame(session);
    waitWhileIdle(session);
  }
  const double wall = now() - started;
  // Sums of times in units of 100 ns differ by rounding alone when nothing
  // ran, which shows as -0.0.
  const double total = std::max(0.0, cpu_seconds() - cpu);
  const double frame_loop = std::max(0.0, main_thread_cpu_seconds() - main_cpu);
  std::printf(
      "%s page idle: %.1f %% of one core over %.1f s (%.0f frames/s): frame loop %.1f %%, "
      "window thread %.1f %%; %ld frames laid out, %ld rendered\n",
      name, 100 * total / wall, wall, (session.framesLaidOut - laid_out) / wall, 100 * frame_loop / wall,
      100 * std::max(0.0, total - frame_loop) / wall, session.framesLaidOut - laid_out,
      session.framesRendered - rendered);
}

// Wine reports no CPU times for other processes, so the wizard and the Wine
// server are read from their /proc entries through the drive that maps the
// Unix root: the processes of this prefix whose command line holds `name`.
std::string read_unix_file(const std::string& path) {
  std::string content;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return content;
  char buffer[4096];
  size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof(buffer), file)) > 0) content.append(buffer, read);
  std::fclose(file);
  return content;
}

std::vector<std::string> unix_processes(const std::string& name) {
  std::vector<std::string> pids;
  const char* prefix = std::getenv("WINEPREFIX");
  if (!prefix) return pids;
  const std::string ours = std::string("WINEPREFIX=") + prefix + '\0';
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
  if (search == INVALID_HANDLE_VALUE) return pids;
  do {
    const std::string pid = found.cFileName;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string dir = "Z:\\proc\\" + pid + "\\";
    if (read_unix_file(dir + "cmdline").find(name) == std::string::npos) continue;
    const std::string environment = '\0' + read_unix_file(dir + "environ");
    if (environment.find('\0' + ours) != std::string::npos) pids.push_back(pid);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return pids;
}

// utime and stime, the 14th and 15th fields, in Linux's fixed 100 ticks a
// second; the name before them ends at the last parenthesis.
double unix_cpu_seconds(const std::vector<std::string>& pids) {
  double total = 0;
  for (const std::string& pid : pids) {
    const std::string stat = read_unix_file("Z:\\proc\\" + pid + "\\stat");
    const size_t name_end = stat.rfind(')');
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    if (name_end == std::string::npos ||
        std::sscanf(stat.c_str() + name_end + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                    &utime, &stime) != 2)
      return -1;
    total += static_cast<double>(utime + stime) / 100;
  }
  return pids.empty() ? -1 : total;
}

DWORD screen_pixel(HWND hwnd, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(hwnd, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return c;
}

bool wait_for_pixel(HWND hwnd, int x, int y, COLORREF colour, DWORD timeout_ms = kTimeoutMs) {
  const double started = now();
  while (now() - started < timeout_ms / 1000.0) {
    if (screen_pixel(hwnd, x, y) == colour) return true;
    Sleep(20);
  }
  return false;
}

// A touchpad tap: the pointer moves there, then the press and the release
// come back to back; or, with `held`, a hand's click, the button held down
// until the screen shows `colour` at (px, py).
void tap(HWND hwnd, int x, int y, bool held = false, int px = 0, int py = 0, COLORREF colour = 0) {
  POINT p = {x, y};
  ClientToScreen(hwnd, &p);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) input.type = INPUT_MOUSE;
  // Absolute positions run from 0 to 65535 over the screen; rounded up so
  // that the pointer lands on the pixel itself.
  inputs[0].mi.dx = static_cast<LONG>((p.x * 65536LL + width - 1) / width);
  inputs[0].mi.dy = static_cast<LONG>((p.y * 65536LL + height - 1) / height);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &inputs[0], sizeof(INPUT));
  const double started = now();
  POINT at = {-1, -1};
  while ((!GetCursorPos(&at) || at.x != p.x || at.y != p.y) && now() - started < 5) Sleep(10);
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  if (!held) {
    SendInput(2, &inputs[1], sizeof(INPUT));
    return;
  }
  SendInput(1, &inputs[1], sizeof(INPUT));
  wait_for_pixel(hwnd, px, py, colour);
  SendInput(1, &inputs[2], sizeof(INPUT));
}

// Taps on (x, y) until the screen shows `colour` at (px, py); a tap that
// is lost is followed by a held click, and the report says so.
bool reach(HWND hwnd, int x, int y, int px, int py, COLORREF colour, const char* button) {
  tap(hwnd, x, y);
  if (wait_for_pixel(hwnd, px, py, colour, kTapWaitMs)) return true;
  std::printf("  a tap on %s was lost; a held click instead\n", button);
  tap(hwnd, x, y, true, px, py, colour);
  return wait_for_pixel(hwnd, px, py, colour);
}

// The Wine server with the prefix's own services and this program idling,
// before the wizard starts: what the figures below include anyway.
void report_server_alone() {
  const std::vector<std::string> server = unix_processes("wineserver");
  const double server_cpu = unix_cpu_seconds(server);
  const double started = now();
  Sleep(kProcessIdleMs);
  const double wall = now() - started;
  if (server_cpu < 0) return;
  std::printf("  without the wizard: Wine server %.1f %% of one core over %.1f s\n",
              100 * (unix_cpu_seconds(server) - server_cpu) / wall, wall);
}

void report_process_idle(HANDLE process, const std::string& wizard_name, const char* page) {
  // The page has just come: the tap, and on the first page the processes
  // detection ran, are still being wound up.
  Sleep(kSettleMs);
  const std::vector<std::string> wizard = unix_processes(wizard_name);
  const std::vector<std::string> server = unix_processes("wineserver");
  const double wizard_cpu = unix_cpu_seconds(wizard);
  const double server_cpu = unix_cpu_seconds(server);
  const double started = now();
  while (now() - started < kProcessIdleMs / 1000.0) {
    if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) break;
  }
  const double wall = now() - started;
  const double wizard_share = 100 * (unix_cpu_seconds(wizard) - wizard_cpu) / wall;
  const double server_share = 100 * (unix_cpu_seconds(server) - server_cpu) / wall;
  if (wizard_cpu < 0 || server_cpu < 0) {
    std::printf("  %-8s page: the wizard's or the Wine server's /proc entry was not found\n", page);
    return;
  }
  std::printf("  %-8s page: %.1f %% of one core over %.1f s: wizard %.1f %%, Wine server %.1f %%\n", page,
              wizard_share + server_share, wall, wizard_share, server_share);
}

// The wizard as a user has it: its own process, the platform page reached
// by a tap on Next made while detection may still run, then the welcome
// page again by a tap on Back.
void report_wizard_idle(const std::wstring& wizard) {
  std::printf("the wizard's own process idling, with the Wine server (%.0f s each)\n",
              kProcessIdleMs / 1000.0);
  report_server_alone();
  support::ChildProcess child;
  if (!child.start(wizard)) {
    std::puts("the wizard could not be started");
    return;
  }
  HWND hwnd = child.waitForWindow(kTimeoutMs, nullptr);
  const std::string name = utf8(wizard.substr(wizard.find_last_of(L"\\/") + 1));
  const COLORREF welcome = RGB(33, 23, 129);
  const COLORREF platform = RGB(250, 250, 250);
  if (!hwnd || !wait_for_pixel(hwnd, 5, 5, welcome)) {
    std::puts("  the wizard showed no welcome page");
  } else {
    if (!reach(hwnd, 330, 306, 2, 2, platform, "Next")) {
      std::puts("  no platform page after Next");
    } else {
      report_process_idle(child.handle(), name, "platform");
      if (reach(hwnd, 330, 306, 5, 5, welcome, "Back")) {
        report_process_idle(child.handle(), name, "welcome");
      } else {
        std::puts("  no welcome page after Back");
      }
      tap(hwnd, 430, 306);
    }
  }
  child.waitForExit(5000);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"idle") == 0) {
    report_wizard_idle(argv[2]);
    return 0;
  }
  if (argc < 3) {
    std::puts("usage: bench <wizard.exe> <bare_window.exe> [<file to size>...] | bench idle <wizard.exe>");
    return 2;
  }
  for (int i = 3; i < argc; ++i) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(argv[i], GetFileExInfoStandard, &data)) {
      const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      std::printf("size %10llu bytes (%.2f MiB)  %s\n", size, size / 1048576.0, utf8(argv[i]).c_str());
    } else {
      std::printf("size: cannot read %s\n", utf8(argv[i]).c_str());
    }
  }
  std::fflush(stdout);
  report_start_up(argv[1], argv[2]);
  std::fflush(stdout);
  report_catalogue();
  std::fflush(stdout);

  WizardSession session;
  if (!startWizard(session)) {
    std::puts("the wizard's window could not be opened");
    return 1;
  }
  session.detectionStarted = true;
  session.app->detect();
  kept_dc = CreateCompatibleDC(nullptr);
  report_frames(session, 1, "welcome");
  report_frames(session, 2, "platform");
  std::fflush(stdout);
  report_idle(session, 1, "welcome");
  report_idle(session, 2, "platform");
  shutdownWizard(session);
  std::fflush(stdout);
  report_wizard_idle(argv[1]);
  return 0;
}
