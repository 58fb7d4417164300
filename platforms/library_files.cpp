#include "platforms/library_files.h"

#include <algorithm>

#include "discovery/path_tests.h"
#include "platforms/file_ops.h"

std::vector<std::wstring> libraryFiles(const VcTarget& target) {
  std::vector<std::wstring> files;
  if (target.baseDir.empty()) return files;
  const auto add = [&](const PayloadPair* pair, const std::wstring& subdir) {
    if (!pair || subdir.empty()) return;
    for (const std::int32_t index : {pair->first, pair->second})
      files.push_back(target.baseDir + subdir + payloadTable()[static_cast<size_t>(index)].fileName);
  };
  add(target.headerSet, target.includeSubdir);
  add(target.lib32Set, target.lib32Subdir);
  add(target.lib64Set, target.lib64Subdir);
  return files;
}

std::vector<std::wstring> libraryFiles(const MingwTarget& target) {
  std::vector<std::wstring> files;
  if (target.baseDir.empty()) return files;
  for (const wchar_t* name : {L"gravo.h", L"graphics.h"})
    files.push_back(target.baseDir + target.includeSubdir + name);
  for (const std::wstring* subdir : {&target.lib32Subdir, &target.lib64Subdir}) {
    if (subdir->empty()) continue;
    for (const wchar_t* name : {L"libgravo.a", L"libgravow.a"})
      files.push_back(target.baseDir + *subdir + name);
  }
  return files;
}

bool holdsLibrary(const std::vector<std::wstring>& files) {
  return std::any_of(files.begin(), files.end(), [](const std::wstring& path) {
    static const std::wstring graphicsHeader = L"\\graphics.h";
    if (path.size() > graphicsHeader.size() &&
        path.compare(path.size() - graphicsHeader.size(), graphicsHeader.size(), graphicsHeader) == 0) {
      // A header that cannot be read may be Gravo's: an uninstall must
      // try, and fail, rather than skip it.
      const HeaderKind kind = headerKind(path);
      return kind == HeaderKind::Gravo || kind == HeaderKind::Unreadable ||
             (kind == HeaderKind::Missing && pathExists(keptHeaderPath(path)));
    }
    return pathExists(path) && !isDirectory(path);
  });
}
