#ifndef GRAVO_DISCOVERY_TEXT_MATCH_H
#define GRAVO_DISCOVERY_TEXT_MATCH_H

#include <regex>
#include <string>

// Every pattern of the wizard: ECMAScript grammar, case-insensitive, applied
// as a search (patterns carry ^ and $ where a whole name is meant).
std::wregex makePattern(const std::wstring& pattern);

bool patternFinds(const std::wregex& pattern, const std::wstring& text);

// Equality that folds only the ASCII letters A to Z.
bool equalsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b);

#endif
