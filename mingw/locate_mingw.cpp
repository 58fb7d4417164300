#include "mingw/toolchain_probe.h"

#include "discovery/text_match.h"
#include "platforms/vc_targets.h"

namespace {

const wchar_t* const kTriples[] = {L"x86_64-w64-mingw32", L"i686-w64-mingw32", L"mingw32"};

}  // namespace

bool locateMingw(std::wstring dir, ToolchainProbe& probe) {
  if (dir.empty()) return false;
  if (dir.back() != L'\\') dir += L'\\';

  const std::wregex mingwName = makePattern(L"^.*?mingw.*?$");
  std::wstring candidate = findToolsetDirectory(dir, mingwName);
  const std::wstring bin = findChildDirectory(dir, L"bin");
  // IDEs such as CLion keep their toolchain under their own bin directory.
  if (candidate.empty() && !bin.empty()) candidate = findToolsetDirectory(bin, mingwName);
  if (candidate.empty()) return false;

  // Target directories by kind, in the order of kTriples.
  std::wstring targets[3];
  std::wstring rootDir;
  for (int i = 0; i < 3 && rootDir.empty(); ++i) {
    if (candidate.find(kTriples[i]) != std::wstring::npos) {
      // dir is itself the MinGW root and the candidate its target directory.
      targets[i] = candidate;
      rootDir = dir;
    }
  }
  if (rootDir.empty()) {
    rootDir = candidate;
    for (int i = 0; i < 3; ++i) targets[i] = findChildDirectory(candidate, kTriples[i]);
  }

  if (!targets[0].empty()) {
    probe.triple = kTriples[0];
    probe.bits = 64;
    probe.targetDir = targets[0];
  } else if (!targets[1].empty()) {
    probe.triple = kTriples[1];
    probe.bits = 32;
    probe.targetDir = targets[1];
  } else if (!targets[2].empty()) {
    probe.triple = kTriples[2];
    probe.bits = 32;
    // The older layout keeps headers and libraries in the root itself.
    probe.targetDir = findChildDirectory(targets[2], L"include").empty() ? rootDir : targets[2];
  } else {
    return false;
  }
  probe.rootDir = rootDir;
  return true;
}
