#ifndef GRAVO_DISCOVERY_PATH_TESTS_H
#define GRAVO_DISCOVERY_PATH_TESTS_H

#include <string>

// A path is a directory when its attributes can be read and carry the
// directory bit. Other bits (read-only, archive, not-content-indexed) are
// common on real installations and do not matter.
bool isDirectory(const std::wstring& path);

// True for existing files and directories alike.
bool pathExists(const std::wstring& path);

#endif
