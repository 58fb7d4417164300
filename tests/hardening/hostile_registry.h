#ifndef GRAVO_TESTS_HARDENING_HOSTILE_REGISTRY_H
#define GRAVO_TESTS_HARDENING_HOSTILE_REGISTRY_H

// A hostile registry for the tests: Uninstall entries in bulk, written as
// badly as installers write them, and keys that cannot be opened. All of it
// is removed, and every DACL put back, when the objects end.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hardening {

const std::wstring kUninstall = L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::wstring kSxs = L"Software\\WOW6432Node\\Microsoft\\VisualStudio\\SxS\\VC7";
const std::wstring kEnvironment = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const std::wstring kScratchKey = L"Software\\WOW6432Node\\GravoHardening";

// Subkeys of an existing key, created in bulk and deleted with their trees
// when the test ends.
class BulkKeys {
 public:
  explicit BulkKeys(const std::wstring& parent) {
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &parent_, nullptr));
  }
  BulkKeys(const BulkKeys&) = delete;
  BulkKeys& operator=(const BulkKeys&) = delete;
  ~BulkKeys() {
    for (const std::wstring& name : names_) RegDeleteTreeW(parent_, name.c_str());
    if (parent_) RegCloseKey(parent_);
  }

  // Creates parent\name (false when the registry refuses the name) and
  // sets each (value name, type, bytes) on it.
  struct Value {
    std::wstring name;
    DWORD type;
    std::string bytes;
  };
  bool add(const std::wstring& name, const std::vector<Value>& values) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (!parent_ || RegCreateKeyExW(parent_, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    &disposition) != ERROR_SUCCESS)
      return false;
    if (disposition == REG_CREATED_NEW_KEY) names_.push_back(name);
    for (const Value& value : values)
      RegSetValueExW(key, value.name.c_str(), 0, value.type,
                     reinterpret_cast<const BYTE*>(value.bytes.data()),
                     static_cast<DWORD>(value.bytes.size()));
    RegCloseKey(key);
    return true;
  }

  HKEY parent() const { return parent_; }

 private:
  HKEY parent_ = nullptr;
  std::vector<std::wstring> names_;
};

inline std::string bytesOf(const std::wstring& text, bool terminated = true) {
  std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  if (terminated) bytes.append(sizeof(wchar_t), '\0');
  return bytes;
}

inline BulkKeys::Value text(const std::wstring& name, const std::wstring& value) {
  return {name, REG_SZ, bytesOf(value)};
}

// A key whose DACL grants nothing, so that it cannot be opened for reading,
// until the object ends and puts the key's own DACL back (its owner may
// always rewrite it).
class LockedKey {
 public:
  LockedKey(HKEY root, const std::wstring& path) : root_(root), path_(path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS) return;
    PACL original = nullptr;
    if (GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &original, nullptr,
                        &saved_) == ERROR_SUCCESS) {
      savedDacl_ = original;
      ACL empty;
      InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
      locked_ = SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &empty,
                                nullptr) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
  }
  LockedKey(const LockedKey&) = delete;
  LockedKey& operator=(const LockedKey&) = delete;
  ~LockedKey() {
    HKEY key = nullptr;
    if (locked_ && RegOpenKeyExW(root_, path_.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
      SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, savedDacl_, nullptr);
      RegCloseKey(key);
    }
    if (saved_) LocalFree(saved_);
  }

  // Locked, and the lock holds: reading the key is refused.
  bool locked() const {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, &key);
    if (opened == ERROR_SUCCESS) RegCloseKey(key);
    return locked_ && opened == ERROR_ACCESS_DENIED;
  }

 private:
  HKEY root_;
  std::wstring path_;
  PSECURITY_DESCRIPTOR saved_ = nullptr;
  PACL savedDacl_ = nullptr;
  bool locked_ = false;
};

// The Uninstall entries of a machine with a great deal installed, written
// as badly as installers write them.
inline void addClutter(BulkKeys& keys, int count) {
  const std::wstring longName(1023, L'V');
  for (int i = 0; i < count; ++i) {
    const std::wstring name = L"GravoHardening." + std::to_wstring(10000 + i);
    std::vector<BulkKeys::Value> values;
    switch (i % 6) {
      case 0:
        values = {text(L"DisplayName", L"Visual Studio Community 2019" + longName.substr(0, 990))};
        break;
      case 1:
        values = {{L"DisplayName", REG_DWORD, std::string(4, '\x01')}};
        break;
      case 2:
        values = {text(L"DisplayName", L"")};
        break;
      case 3:
        values = {text(L"DisplayName", L"Visual Studio Professional 2022 (" + longName.substr(0, 980))};
        break;
      case 4:
        values = {{L"DisplayName", REG_BINARY, std::string(2049, 'd')}};
        break;
      default:
        values = {text(L"DisplayName", L"Tool " + std::to_wstring(i)), text(L"InstallLocation", L"")};
    }
    ASSERT_TRUE(keys.add(name, values));
  }
}

}  // namespace hardening

#endif
