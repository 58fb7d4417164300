#ifndef GRAVO_TESTS_HARDENING_HARDENING_SUPPORT_H
#define GRAVO_TESTS_HARDENING_HARDENING_SUPPORT_H

// Shared by the hardening tests: the wizard of this build tree, child
// processes, waiting with a time-out, and snapshots of directory trees to
// prove what did not change.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/child_process.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace hardening {

inline std::wstring testDir() { return support::programDir(); }

// GravoSetup.exe of the same build tree.
inline std::wstring wizardPath() { return testDir() + L"..\\..\\app\\GravoSetup.exe"; }
inline std::wstring cliPath() { return testDir() + L"..\\..\\cli\\GravoSetupCli.exe"; }

inline std::string narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                        nullptr);
  return bytes;
}

inline std::string readBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

inline bool exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

using support::waitFor;

// A child process, ended through its own handle when the test is done with
// it and it has not ended by itself.
using Child = support::ChildProcess;

// Every file and directory below a root, with each file's size, content
// hash and attributes: two snapshots differ exactly where something was
// created, changed or removed.
class TreeSnapshot {
 public:
  explicit TreeSnapshot(const std::wstring& root) { walk(root, L""); }

  // Every relative path, directories with a trailing backslash.
  std::vector<std::wstring> paths() const {
    std::vector<std::wstring> all;
    for (const auto& entry : entries_) all.push_back(entry.first);
    return all;
  }

  // Relative paths that differ between two snapshots of the same root.
  static std::vector<std::wstring> changes(const TreeSnapshot& before, const TreeSnapshot& after) {
    std::vector<std::wstring> changed;
    for (const auto& entry : before.entries_) {
      const auto other = after.entries_.find(entry.first);
      if (other == after.entries_.end() || other->second != entry.second) changed.push_back(entry.first);
    }
    for (const auto& entry : after.entries_) {
      if (before.entries_.find(entry.first) == before.entries_.end()) changed.push_back(entry.first);
    }
    std::sort(changed.begin(), changed.end());
    return changed;
  }

  // changes() apart from the notes the stand-in compilers keep of how they
  // were run.
  static std::vector<std::wstring> changesApartFromCompilerNotes(const TreeSnapshot& before,
                                                                 const TreeSnapshot& after) {
    std::vector<std::wstring> changed = changes(before, after);
    changed.erase(std::remove_if(changed.begin(), changed.end(),
                                 [](const std::wstring& path) {
                                   return path.find(L"gcc-args.txt") != std::wstring::npos;
                                 }),
                  changed.end());
    return changed;
  }

 private:
  void walk(const std::wstring& dir, const std::wstring& relative) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = relative + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        entries_[path + L"\\"] = "dir " + std::to_string(found.dwFileAttributes);
        walk(dir + name + L"\\", path + L"\\");
      } else {
        const std::string content = readBytes(dir + name);
        entries_[path] = std::to_string(found.dwFileAttributes) + " " + std::to_string(content.size()) + " " +
                         std::to_string(std::hash<std::string>()(content));
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }

  std::map<std::wstring, std::string> entries_;
};

inline std::string joined(const std::vector<std::wstring>& paths) {
  std::string text;
  for (const std::wstring& path : paths) text += narrow(path) + "\n";
  return text;
}

}  // namespace hardening

#endif
