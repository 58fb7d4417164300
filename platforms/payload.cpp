#include "platforms/payload.h"

#include <windows.h>

#include <vector>

const PayloadTable& payloadTable() {
  static const PayloadTable table = {{
      {L"include\\", L"gravo.h"},
      {L"include\\", L"graphics.h"},
      {L"lib_vc6\\", L"Gravoa.lib"},
      {L"lib_vc6\\", L"Gravow.lib"},
      {L"lib_vc2008\\x86\\", L"Gravoa.lib"},
      {L"lib_vc2008\\x86\\", L"Gravow.lib"},
      {L"lib_vc2008\\x64\\", L"Gravoa.lib"},
      {L"lib_vc2008\\x64\\", L"Gravow.lib"},
      {L"lib_vc2015\\x86\\", L"Gravoa.lib"},
      {L"lib_vc2015\\x86\\", L"Gravow.lib"},
      {L"lib_vc2015\\x64\\", L"Gravoa.lib"},
      {L"lib_vc2015\\x64\\", L"Gravow.lib"},
  }};
  return table;
}

std::wstring setupDirOf(const std::wstring& exePath) {
  const size_t slash = exePath.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : exePath.substr(0, slash + 1);
}

std::wstring setupDir() {
  // A path cut at the buffer size would name an ancestor directory, so the
  // buffer grows until the whole path fits (the longest path Windows has).
  for (DWORD units = MAX_PATH; units <= 32768; units *= 2) {
    std::vector<wchar_t> buffer(units);
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), units);
    if (length == 0) return L"";
    if (length < units) return setupDirOf(std::wstring(buffer.data(), length));
  }
  return L"";
}
