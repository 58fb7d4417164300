#ifndef GRAVO_PLATFORMS_LINK_GUARD_H
#define GRAVO_PLATFORMS_LINK_GUARD_H

#include <windows.h>

#include <string>

// Files changed with rights a standard user lacks must not be reached
// through a junction or symbolic link that a user could have made: such a
// link would turn a copy or a deletion inside an environment's folder into
// one anywhere on the machine.

// This process runs as SYSTEM, LOCAL SERVICE or NETWORK SERVICE.
bool runsAsServiceAccount();

// This process runs elevated or as a service account, so a link in a
// destination could hand those rights to whoever made it.
bool holdsRaisedRights();

// The final path ("\\?\C:\..." or "\\?\UNC\...") that path names when every
// link on the way is one of Windows' own (owned by SYSTEM or
// TrustedInstaller, as "C:\Documents and Settings" is); components that do
// not exist yet are appended as named. "" when a link on the way is not
// Windows' own, or the path cannot be walked.
std::wstring finalPathThroughOwnLinks(const std::wstring& path);

// The final path of an open file, "\\?\C:\..." or "\\?\UNC\..."; "" when the
// system cannot tell it.
std::wstring finalPathOf(HANDLE handle);

// CreateFileW(path, access, share, disposition) for changing a file, never
// following a link at its last component. With raised rights the path must
// pass finalPathThroughOwnLinks first, and what was opened must, by its
// handle, be no link and lie at that final path; a file this call created
// somewhere else is deleted again. INVALID_HANDLE_VALUE with the error set
// (ERROR_ACCESS_DENIED for a refused link) otherwise. created tells whether
// the file was created by this call.
HANDLE openForChange(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, bool& created);

#endif
