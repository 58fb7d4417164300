#ifndef GRAVO_TESTS_DISCOVERY_FIXTURES_H
#define GRAVO_TESTS_DISCOVERY_FIXTURES_H

// Real registry keys and real directories for the tests, undone when a test
// ends so that no test depends on another or on the order they run in.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// Registry changes of one test: keys it created are deleted with their
// subtrees, values it replaced or deleted in existing keys are put back.
// Every key is reached through the 64-bit view, whatever the test's own
// bitness: a 32-bit program's view of HKLM\Software is then written through
// the explicit "Software\WOW6432Node\..." path, and "Software\..." is the
// native view a 32-bit program does not see.
class RegistryFixture {
 public:
  RegistryFixture() = default;
  RegistryFixture(const RegistryFixture&) = delete;
  RegistryFixture& operator=(const RegistryFixture&) = delete;

  ~RegistryFixture() {
    for (auto value = saved_.rbegin(); value != saved_.rend(); ++value) {
      HKEY key;
      if (RegOpenKeyExW(value->root, value->path.c_str(), 0, KEY_SET_VALUE | kView, &key) != ERROR_SUCCESS)
        continue;
      if (value->existed)
        RegSetValueExW(key, value->name.c_str(), 0, value->type, value->data.data(),
                       static_cast<DWORD>(value->data.size()));
      else RegDeleteValueW(key, value->name.c_str());
      RegCloseKey(key);
    }
    for (auto created = created_.rbegin(); created != created_.rend(); ++created)
      deleteTree(created->root, created->path);
  }

  void createKey(HKEY root, const std::wstring& path) {
    HKEY key = open(root, path);
    if (key) RegCloseKey(key);
  }

  void setString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value) {
    setBytes(root, path, name, REG_SZ, value.c_str(),
             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }

  void setBytes(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                DWORD bytes) {
    HKEY key = open(root, path);
    if (!key) return;
    save(root, path, key, name);
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes));
    RegCloseKey(key);
  }

  void deleteValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_SET_VALUE | kView, &key) != ERROR_SUCCESS) return;
    save(root, path, key, name);
    RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
  }

 private:
  static constexpr REGSAM kView = KEY_WOW64_64KEY;

  static void deleteTree(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | kView, &key) != ERROR_SUCCESS) return;
    RegDeleteTreeW(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExW(root, path.c_str(), kView, 0);
  }

  struct Key {
    HKEY root;
    std::wstring path;
  };
  struct Value {
    HKEY root;
    std::wstring path;
    std::wstring name;
    bool existed;
    DWORD type;
    std::vector<BYTE> data;
  };

  bool createdHere(HKEY root, const std::wstring& path) const {
    for (const Key& key : created_) {
      if (key.root == root && path.compare(0, key.path.size(), key.path) == 0 &&
          (path.size() == key.path.size() || path[key.path.size()] == L'\\'))
        return true;
    }
    return false;
  }

  // Opens root\path, creating what is missing; the topmost key created is
  // remembered for deletion.
  HKEY open(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    size_t end = 0;
    while (end != std::wstring::npos) {
      end = path.find(L'\\', end + 1);
      const std::wstring prefix = path.substr(0, end);
      if (key) RegCloseKey(key);
      DWORD disposition = 0;
      if (RegCreateKeyExW(root, prefix.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &key,
                          &disposition) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create registry key";
        return nullptr;
      }
      if (disposition == REG_CREATED_NEW_KEY && !createdHere(root, prefix))
        created_.push_back({root, prefix});
    }
    return key;
  }

  void save(HKEY root, const std::wstring& path, HKEY key, const std::wstring& name) {
    if (createdHere(root, path)) return;
    Value value{root, path, name, false, REG_NONE, {}};
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &bytes) == ERROR_SUCCESS) {
      value.data.resize(bytes);
      value.existed = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &bytes) ==
                      ERROR_SUCCESS;
    }
    saved_.push_back(value);
  }

  std::vector<Key> created_;
  std::vector<Value> saved_;
};

// Test payload text for graphics.h: tag, then the include of gravo.h by
// which installs know Gravo's own graphics.h from another library's.
inline std::string gravoHeaderText(const std::string& tag) { return tag + "\n#include \"gravo.h\"\n"; }

// A fresh directory under %TEMP%, unique per test and process, removed with
// everything below it when the test ends.
class ScratchDir {
 public:
  ScratchDir() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring tag = L"gravo-";
    for (const char* c = test ? test->name() : "test"; *c; ++c) tag += static_cast<wchar_t>(*c);
    tag += L"-" + std::to_wstring(GetCurrentProcessId());
    for (int n = 0; path_.empty(); ++n) {
      const std::wstring candidate = std::wstring(temp) + tag + L"-" + std::to_wstring(n);
      if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate + L"\\";
      else if (GetLastError() != ERROR_ALREADY_EXISTS || n > 100) break;
    }
    EXPECT_FALSE(path_.empty()) << "no scratch directory";
  }
  // An existing directory that stays when this object ends, for programs
  // that lay out trees to be kept; keptDir ends with a backslash.
  explicit ScratchDir(const std::wstring& keptDir) : path_(keptDir), keep_(true) {}
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    if (!path_.empty() && !keep_) removeTree(path_);
  }

  // The directory, ending with a backslash.
  const std::wstring& path() const { return path_; }

  // Creates path() + relative and its parents; the full path with a
  // trailing backslash.
  std::wstring makeDirs(const std::wstring& relative) const {
    std::wstring full = path_ + relative;
    if (full.back() != L'\\') full += L'\\';
    for (size_t slash = full.find(L'\\', path_.size()); slash != std::wstring::npos;
         slash = full.find(L'\\', slash + 1))
      CreateDirectoryW(full.substr(0, slash).c_str(), nullptr);
    return full;
  }

  // Writes a file (creating its directory) and gives its full path.
  std::wstring writeFile(const std::wstring& relative, const std::string& content) const {
    const size_t slash = relative.rfind(L'\\');
    if (slash != std::wstring::npos) makeDirs(relative.substr(0, slash));
    const std::wstring full = path_ + relative;
    const HANDLE file =
        CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
      CloseHandle(file);
    }
    return full;
  }

  // Contents of a file, or "<missing>".
  std::string readFile(const std::wstring& relative) const {
    const HANDLE file = CreateFileW((path_ + relative).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &count, nullptr) && count > 0)
      content.append(buffer, count);
    CloseHandle(file);
    return content;
  }

  bool exists(const std::wstring& relative) const {
    return GetFileAttributesW((path_ + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  // Names of the files (not directories) directly in relative, sorted.
  std::vector<std::wstring> filesIn(const std::wstring& relative) const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path_ + relative + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  static void removeTree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = dir + name;
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(full + L"\\");
        else DeleteFileW(full.c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(dir.c_str());
  }

  std::wstring path_;
  bool keep_ = false;
};

#endif
