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
// graphics.h counts only when it is Gravo's or cannot be read (another
// library's may stand there), or when it is gone and an install kept another
// library's, which an uninstall gives back. A kept copy beside another
// library's graphics.h does not count: nothing of Gravo's is left there.
bool holdsLibrary(const std::vector<std::wstring>& files);

#endif
