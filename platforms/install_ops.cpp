#include "platforms/install_ops.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "discovery/text_match.h"
#include "platforms/addresses.h"
#include "platforms/file_ops.h"
#include "platforms/library_files.h"
#include "platforms/vc_targets.h"

namespace {

bool hasToolsetTree(int version) { return version == 2017 || version == 2019; }

// The toolset folder a version file's first line names, when it is one:
// digits in three dotted groups, surrounding blanks (and a UTF-8 byte order
// mark, read as three characters) ignored. Anything else, a relative path
// above all, names nothing.
std::wstring toolsetFolderName(std::wstring line) {
  const std::wstring byteOrderMark = L"\u00EF\u00BB\u00BF";
  if (line.compare(0, byteOrderMark.size(), byteOrderMark) == 0) line.erase(0, byteOrderMark.size());
  const size_t first = line.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return L"";
  line = line.substr(first, line.find_last_not_of(L" \t") - first + 1);
  static const std::wregex toolsetFolder = makePattern(kToolsetFolderPattern);
  return patternFinds(toolsetFolder, line) ? line : L"";
}

const PayloadFile& payloadAt(std::int32_t index) { return payloadTable()[static_cast<size_t>(index)]; }

// Copies both files of pair from root into destinationDir; false at the
// first failure.
bool copyPair(const PayloadPair& pair, const std::wstring& root, const std::wstring& destinationDir) {
  for (const std::int32_t index : {pair.first, pair.second}) {
    const PayloadFile& file = payloadAt(index);
    if (!installPayloadFile(root + file.sourceSubdir + file.fileName, destinationDir + file.fileName).empty())
      return false;
  }
  return true;
}

}  // namespace

std::wstring desktopFolder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path)) && path) folder = path;
  CoTaskMemFree(path);
  return folder;
}

std::wstring helpShortcutPath() {
  const std::wstring desktop = desktopFolder();
  // Without a desktop the bare name would land in the current drive's root.
  return desktop.empty() ? L"" : desktop + L"\\Gravo_Help.lnk";
}

bool createUrlShortcut(const std::wstring& target, const std::wstring& shortcutPath) {
  if (shortcutPath.empty()) return false;
  const std::wstring workingDirectory = target.substr(0, target.find_last_of(L"/\\"));
  if (FAILED(CoInitialize(nullptr))) return false;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))) ||
      !link) {
    CoUninitialize();
    return false;
  }
  link->SetPath(target.c_str());
  link->SetWorkingDirectory(workingDirectory.c_str());
  IPersistFile* file = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) || !file) {
    link->Release();
    CoUninitialize();
    return false;
  }
  const bool saved = SUCCEEDED(file->Save(shortcutPath.c_str(), FALSE));
  file->Release();
  link->Release();
  CoUninitialize();
  return saved;
}

std::wstring installDocs() {
  return createUrlShortcut(kDocumentationUrl, helpShortcutPath()) ? L"" : kDocsInstallFailed;
}

std::wstring uninstallDocs() {
  return deleteIfPresent(helpShortcutPath()).empty() ? kUninstalled : kUninstallFailed;
}

std::wstring installVc(const VcTarget& target) { return installVcFrom(target, setupDir()); }

std::wstring installVcFrom(const VcTarget& target, const std::wstring& payloadRoot) {
  // An empty base (nothing found, or cleared by validation) would make
  // every destination relative to the current directory; an empty payload
  // root, every source.
  if (target.baseDir.empty() || payloadRoot.empty()) return kInstallFailed;
  if (hasToolsetTree(target.version)) purgeToolsetCopies(target);
  const std::wstring& base = target.baseDir;
  if (target.headerSet && !copyPair(*target.headerSet, payloadRoot, base + target.includeSubdir))
    return kInstallFailed;
  if (target.lib32Set && !copyPair(*target.lib32Set, payloadRoot, base + target.lib32Subdir))
    return kInstallFailed;
  if (!target.lib64Subdir.empty() && target.lib64Set &&
      !copyPair(*target.lib64Set, payloadRoot, base + target.lib64Subdir))
    return kInstallFailed;
  return L"";
}

std::wstring uninstallVc(const VcTarget& target) {
  if (target.baseDir.empty()) return kUninstallFailed;
  if (hasToolsetTree(target.version)) purgeToolsetCopies(target);
  return uninstallPayloadFiles(libraryFiles(target));
}

void purgeToolsetCopies(const VcTarget& target) {
  if (!hasToolsetTree(target.version)) return;
  static const std::wstring auxiliaryVs = L"\\Auxiliary\\VS\\";
  std::wstring v = target.baseDir;
  if (v.size() < auxiliaryVs.size() ||
      v.compare(v.size() - auxiliaryVs.size(), auxiliaryVs.size(), auxiliaryVs) != 0)
    return;
  v.erase(v.size() - (auxiliaryVs.size() - 1));
  const std::wstring versionFile = v + L"Auxiliary\\Build\\Microsoft.VCToolsVersion.default.txt";
  if (!pathExists(versionFile)) return;
  const std::wstring toolset = toolsetFolderName(readFirstLine(versionFile));
  if (toolset.empty()) return;
  v += L"Tools\\MSVC\\" + toolset + L"\\";
  const auto purgePair = [&](const PayloadPair* pair, const std::wstring& subdir) {
    if (subdir.empty() || !pair) return;
    for (const std::int32_t index : {pair->first, pair->second})
      removePayloadFile(v + subdir + payloadAt(index).fileName);
  };
  purgePair(target.headerSet, target.includeSubdir);
  purgePair(target.lib32Set, target.lib32Subdir);
  purgePair(target.lib64Set, target.lib64Subdir);
}
