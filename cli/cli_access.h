// Whether the command line may change what a request asks for: checked
// before anything is copied or deleted, so that a run without the rights it
// needs stops with its own exit code instead of failing row by row.
#ifndef GRAVO_CLI_CLI_ACCESS_H
#define GRAVO_CLI_CLI_ACCESS_H

#include <functional>
#include <string>
#include <vector>

enum class DirAccess { Writable, Denied, Unwritable };

// Creates and deletes a probe file in dir: Denied when the system refuses
// access, Unwritable for any other failure (a folder that is gone, a file
// standing where the folder should be).
DirAccess probeWriteAccess(const std::wstring& dir);

// True when the process runs with administrator rights in force (elevated,
// or as SYSTEM).
bool processIsElevated();

// The first of dirs that refuses a process without administrator rights,
// or "" when the run may go ahead. An elevated process always may: what it
// cannot write is the operations' own failure to report.
std::wstring dirNeedingAdministrator(const std::vector<std::wstring>& dirs, bool elevated,
                                     const std::function<DirAccess(const std::wstring&)>& probe);

#endif
