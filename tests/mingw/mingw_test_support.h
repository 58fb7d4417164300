#ifndef GRAVO_TESTS_MINGW_MINGW_TEST_SUPPORT_H
#define GRAVO_TESTS_MINGW_MINGW_TEST_SUPPORT_H

// Real directory trees and real programs for the MinGW tests: a scratch
// directory per test under %TEMP%, the recorded gcc -v texts and the helper
// programs that the build puts beside the test executable.
#include <windows.h>

#include <gtest/gtest.h>

#include "discovery/path_tests.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace mingwtest {

inline std::wstring exeDir() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L'\\') + 1);
}

inline std::wstring gccRecord(const std::wstring& name) { return exeDir() + L"data\\gcc-v\\" + name; }

inline void makeDirs(const std::wstring& path) { std::filesystem::create_directories(path); }

inline void writeFile(const std::wstring& path, const std::string& content) {
  makeDirs(std::filesystem::path(path).parent_path().wstring());
  std::ofstream(path.c_str(), std::ios::binary) << content;
}

inline std::string readFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void copyFile(const std::wstring& from, const std::wstring& to) {
  makeDirs(std::filesystem::path(to).parent_path().wstring());
  ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << "copy failed";
}

// A helper program built beside the tests, copied to dest.
inline void copyHelper(const std::wstring& helper, const std::wstring& dest) {
  copyFile(exeDir() + helper, dest);
}

// rootDir's bin\gcc.exe becomes the stand-in, answering with text.
inline void installFakeGccText(const std::wstring& rootDir, const std::string& text) {
  copyHelper(L"fake_gcc.exe", rootDir + L"bin\\gcc.exe");
  writeFile(rootDir + L"bin\\gcc-v.txt", text);
}

// The same with one of the recorded gcc -v texts.
inline void installFakeGcc(const std::wstring& rootDir, const std::wstring& record) {
  const std::string text = readFile(gccRecord(record));
  ASSERT_FALSE(text.empty()) << "no recorded output";
  installFakeGccText(rootDir, text);
}

// A fresh directory under %TEMP% for one test, removed with everything in it
// when the test ends. Its path ends with a backslash.
class ScratchDir {
 public:
  ScratchDir() {
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring name =
        L"gravo-mingw-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
    if (test != nullptr) {
      const std::string testName = test->name();
      name += L"-" + std::wstring(testName.begin(), testName.end());
    }
    path_ = std::wstring(temp, length) + name + L"\\";
    makeDirs(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

}  // namespace mingwtest

#endif
