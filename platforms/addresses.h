#ifndef GRAVO_PLATFORMS_ADDRESSES_H
#define GRAVO_PLATFORMS_ADDRESSES_H

// The online documentation: target of the desktop shortcut and first line of
// the documentation entry.
inline constexpr wchar_t kDocumentationUrl[] = L"https://gravo.dev/docs/";

// The installer's source-code page, linked from the welcome page.
inline constexpr wchar_t kSourcePageUrl[] = L"https://gravo.dev/gravosetup";

#endif
