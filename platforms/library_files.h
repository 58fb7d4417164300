#pragma once

#include <string>
#include <vector>

#include "platforms/records.h"

// The paths an install of target writes: its headers and the libraries of
// each library directory it has. None while the target has no directory.
std::vector<std::wstring> libraryFiles(const VcTarget& target);
std::vector<std::wstring> libraryFiles(const MingwTarget& target);

// graphics.h is a common name, which other graphics libraries ship too;
// Gravo's own is the one that includes gravo.h.
bool isGravoGraphicsHeader(const std::wstring& path);

// True when any of files, as libraryFiles gives them, is present; a
// graphics.h counts only when it is Gravo's.
bool holdsLibrary(const std::vector<std::wstring>& files);
