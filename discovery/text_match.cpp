#include "discovery/text_match.h"

std::wregex makePattern(const std::wstring& pattern) {
  return std::wregex(pattern, std::regex_constants::ECMAScript | std::regex_constants::icase);
}

bool patternFinds(const std::wregex& pattern, const std::wstring& text) {
  return std::regex_search(text, pattern);
}

namespace {

wchar_t foldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

bool equalsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}
