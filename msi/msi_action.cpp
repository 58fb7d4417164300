#include "msi/msi_action.h"

#include <algorithm>

#include "cli/cli_args.h"

namespace {

std::wstring asciiLower(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

bool isHex(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// A GUID with or without braces, as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
// in capitals; "" for anything else.
std::wstring guid(const std::wstring& text) {
  const std::wstring bare =
      text.size() == 38 && text.front() == L'{' && text.back() == L'}' ? text.substr(1, 36) : text;
  if (bare.size() != 36) return L"";
  for (std::size_t i = 0; i < bare.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? bare[i] != L'-' : !isHex(bare[i])) return L"";
  }
  std::wstring upper = L"{" + bare + L"}";
  for (wchar_t& c : upper)
    if (c >= L'a' && c <= L'f') c = static_cast<wchar_t>(c - L'a' + L'A');
  return upper;
}

}  // namespace

ActionRequest actionRequest(const std::vector<std::wstring>& args) {
  ActionRequest request;
  if (args.empty()) return request;
  if (args[0] == L"rollback" && args.size() == 1) {
    request.cliArguments = L"rollback";
  } else if (args[0] == L"uninstall" && args.size() == 3) {
    request.upgradeCode = guid(args[1]);
    request.productCode = guid(args[2]);
    if (!request.upgradeCode.empty() && !request.productCode.empty())
      request.cliArguments = L"uninstall --all";
  } else if ((args[0] == L"install" || args[0] == L"check") && args.size() > 1) {
    request.checkOnly = args[0] == L"check";
    std::wstring arguments = L"install";
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::wstring word = asciiLower(args[i]);
      if (word != L"--all" && std::find(knownIds().begin(), knownIds().end(), word) == knownIds().end())
        return request;
      arguments += L" " + word;
    }
    request.cliArguments = arguments;
  }
  return request;
}

unsigned long packageExitCode(unsigned long cliExitCode) {
  const bool done = cliExitCode == static_cast<unsigned long>(kExitNothingDetected) ||
                    cliExitCode == static_cast<unsigned long>(kExitLogFailed);
  return done ? 0 : cliExitCode;
}
