#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>

#include "discovery/fixtures.h"
#include "platforms/addresses.h"
#include "platforms/install_ops.h"

namespace {

struct LinkContents {
  bool loaded = false;
  std::wstring path;
  std::wstring workingDirectory;
};

// Reads a shell link back through the shell's own link object.
LinkContents readLink(const std::wstring& file) {
  LinkContents contents;
  if (FAILED(CoInitialize(nullptr))) return contents;
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
      if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
        contents.loaded = true;
        wchar_t buffer[MAX_PATH * 2] = {};
        if (SUCCEEDED(link->GetPath(buffer, MAX_PATH * 2, nullptr, SLGP_RAWPATH))) contents.path = buffer;
        buffer[0] = L'\0';
        if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH * 2))) contents.workingDirectory = buffer;
      }
      persist->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return contents;
}

}  // namespace

TEST(Docs, ShortcutIsARealShellLink) {
  ScratchDir disk;
  const std::wstring file = disk.path() + L"Gravo_Help.lnk";
  ASSERT_TRUE(createUrlShortcut(kDocumentationUrl, file));
  const LinkContents written = readLink(file);
  EXPECT_TRUE(written.loaded);
  EXPECT_NE(std::wstring::npos, written.path.find(L"gravo.dev")) << written.path;
  EXPECT_EQ(L"https://gravo.dev/docs", written.workingDirectory);

  // Without any separator the working directory is the whole target.
  ASSERT_TRUE(createUrlShortcut(L"gravo-docs", disk.path() + L"bare.lnk"));
  EXPECT_EQ(L"gravo-docs", readLink(disk.path() + L"bare.lnk").workingDirectory);

  EXPECT_FALSE(createUrlShortcut(kDocumentationUrl, disk.path() + L"missing\\Gravo_Help.lnk"));
  EXPECT_FALSE(createUrlShortcut(kDocumentationUrl, L""));
}

TEST(Docs, InstallAndUninstallTheDesktopShortcut) {
  const std::wstring desktop = desktopFolder();
  ASSERT_FALSE(desktop.empty());
  const std::wstring link = helpShortcutPath();
  EXPECT_EQ(desktop + L"\\Gravo_Help.lnk", link);
  DeleteFileW(link.c_str());

  EXPECT_EQ(L"卸载成功", uninstallDocs());
  EXPECT_EQ(L"", installDocs());
  EXPECT_TRUE(readLink(link).loaded);
  EXPECT_EQ(L"", installDocs());
  EXPECT_EQ(L"卸载成功", uninstallDocs());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(link.c_str()));
}
