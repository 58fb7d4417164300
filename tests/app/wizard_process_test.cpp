#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/child_process.h"
#include "wizard_test_support.h"

#include <shellapi.h>

namespace {

const DWORD kTimeoutMs = 30000;
// ERROR_ELEVATION_REQUIRED, which mingw's headers lack.
const DWORD kElevationRequired = 740;

// GravoSetup.exe of the same build tree as this test.
std::wstring wizardPath() { return support::programDir() + L"..\\..\\app\\GravoSetup.exe"; }

// The wizard started as a user starts it, ended by the test if it does not
// end by itself.
class WizardProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!wizard.start(wizardPath())) {
      const DWORD error = GetLastError();
      FAIL() << "CreateProcess failed with " << error
             << (error == kElevationRequired ? " (elevation required)" : "");
    }
  }

  HWND waitForWindow() { return wizard.waitForWindow(kTimeoutMs); }
  // The exit code, or STILL_ACTIVE if the wizard is still running.
  DWORD waitForExit() { return wizard.waitForExit(kTimeoutMs); }

  support::ChildProcess wizard;
};

TEST_F(WizardProcess, CancelEndsTheWizardWithExitCodeZero) {
  HWND hwnd = waitForWindow();
  ASSERT_NE(hwnd, nullptr);
  pressAt(hwnd, kCancelButton);
  EXPECT_EQ(waitForExit(), 0u);
}

TEST_F(WizardProcess, CloseBoxEndsTheWizardWithExitCodeZero) {
  HWND hwnd = waitForWindow();
  ASSERT_NE(hwnd, nullptr);
  PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(waitForExit(), 0u);
}

std::string resource(HMODULE module, LPCWSTR type, LPCWSTR name) {
  HRSRC found = FindResourceW(module, name, type);
  if (!found) return std::string();
  HGLOBAL loaded = LoadResource(module, found);
  const char* data = static_cast<const char*>(LockResource(loaded));
  return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

TEST(WizardExecutable, AsksForAdministratorRightsAndCarriesIconAndVersion) {
  const std::wstring path = wizardPath();
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const std::string manifest = resource(module, RT_MANIFEST, MAKEINTRESOURCEW(1));
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_NE(manifest.find(">false</dpiAware>"), std::string::npos);

  const std::string version = resource(module, RT_VERSION, MAKEINTRESOURCEW(1));
  const DWORD signature = 0xFEEF04BD;
  const size_t at = version.find(std::string(reinterpret_cast<const char*>(&signature), 4));
  ASSERT_NE(at, std::string::npos);
  VS_FIXEDFILEINFO info;
  ASSERT_LE(at + sizeof(info), version.size());
  std::memcpy(&info, version.data() + at, sizeof(info));
  EXPECT_EQ(info.dwFileVersionMS, MAKELONG(9, 26));
  EXPECT_EQ(info.dwFileVersionLS, MAKELONG(0, 25));
  FreeLibrary(module);

  HICON icon = ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), 0);
  EXPECT_NE(icon, nullptr);
  EXPECT_NE(icon, reinterpret_cast<HICON>(1));
  if (icon) DestroyIcon(icon);
}

}  // namespace
