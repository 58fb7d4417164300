#include "msi/msi_action.h"

#include <algorithm>

#include "cli/cli_args.h"

namespace {

bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

std::wstring asciiLower(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

// The environment words, each --all or a known id, in lower case; empty
// when any other word is there.
std::vector<std::wstring> environmentWords(const std::wstring& value) {
  std::vector<std::wstring> words;
  std::size_t at = 0;
  while ((at = value.find_first_not_of(L' ', at)) != std::wstring::npos) {
    const std::size_t end = std::min(value.find(L' ', at), value.size());
    const std::wstring word = asciiLower(value.substr(at, end - at));
    if (word != L"--all" && std::find(knownIds().begin(), knownIds().end(), word) == knownIds().end())
      return {};
    words.push_back(word);
    at = end;
  }
  return words;
}

}  // namespace

std::wstring cliArguments(const std::vector<std::wstring>& args) {
  if (args.size() != 3 || (args[0] != L"install" && args[0] != L"uninstall")) return L"";
  const std::vector<std::wstring> words = environmentWords(args[1]);
  if (words.empty()) return L"";
  std::wstring arguments = args[0];
  for (const std::wstring& word : words) arguments += L" " + word;
  const std::wstring log = cliLogPath(args[2]);
  if (!log.empty()) arguments += L" --log \"" + log + L"\"";
  return arguments;
}

std::wstring cliLogPath(const std::wstring& msiLog) {
  const bool drive = msiLog.size() > 3 && isAsciiLetter(msiLog[0]) && msiLog.compare(1, 2, L":\\") == 0;
  const bool share =
      msiLog.size() > 4 && msiLog.compare(0, 2, L"\\\\") == 0 && msiLog[2] != L'?' && msiLog[2] != L'.';
  const bool quotable =
      std::none_of(msiLog.begin(), msiLog.end(), [](wchar_t c) { return c < 0x20 || c == L'"'; });
  if (!(drive || share) || !quotable || msiLog.back() == L'\\') return L"";
  const std::size_t name = msiLog.rfind(L'\\') + 1;
  const std::size_t dot = msiLog.rfind(L'.');
  const std::size_t stem = dot != std::wstring::npos && dot > name ? dot : msiLog.size();
  return msiLog.substr(0, stem) + L"-cli.log";
}

unsigned long packageExitCode(unsigned long cliExitCode) {
  const bool done = cliExitCode == static_cast<unsigned long>(kExitNothingDetected) ||
                    cliExitCode == static_cast<unsigned long>(kExitLogFailed);
  return done ? 0 : cliExitCode;
}
