#ifndef GRAVO_PLATFORMS_LIBRARY_FILES_H
#define GRAVO_PLATFORMS_LIBRARY_FILES_H

#include <string>
#include <vector>

#include "platforms/records.h"

// The paths an install of target writes: its headers and the libraries of
// each library directory it has. None while the target has no directory.
std::vector<std::wstring> libraryFiles(const VcTarget& target);
std::vector<std::wstring> libraryFiles(const MingwTarget& target);

// True when any of files, as libraryFiles gives them, is present; a
// graphics.h counts only when it is Gravo's (another library's may stand
// there), or when an install kept another library's beside it, which an
// uninstall gives back.
bool holdsLibrary(const std::vector<std::wstring>& files);

#endif
