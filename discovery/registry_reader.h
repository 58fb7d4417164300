#ifndef GRAVO_DISCOVERY_REGISTRY_READER_H
#define GRAVO_DISCOVERY_REGISTRY_READER_H

#include <windows.h>

#include <string>
#include <vector>

// The SID of the user this process runs as ("S-1-5-18" for SYSTEM), whose
// hive under HKEY_USERS is its own; "" when it cannot be read.
std::wstring processUserSid();

// Finds installed development environments in the registry. Holds no state;
// an empty string is the only answer for "nothing found". Keys are read in
// the 32-bit registry view, the one the shipped (32-bit) wizard sees, whatever
// the build.
class RegistryReader {
 public:
  // A null valueName answers "" without touching the registry.
  // HKEY_CURRENT_USER is read through the user hives ("S-..." names) under
  // HKEY_USERS: the last hive holding the value wins, and a hive that has the
  // key but not the value ends the lookup with "".
  std::wstring readString(HKEY root, const wchar_t* subKey, const wchar_t* valueName) const;

  // Direct subkey names in enumeration order; a null subKey lists root itself.
  std::vector<std::wstring> listSubkeys(HKEY root, const wchar_t* subKey) const;

  // Path, relative to HKEY_LOCAL_MACHINE, of the first Uninstall entry whose
  // DisplayName the pattern finds a match in; "" when none does.
  std::wstring findUninstallKey(const std::wstring& pattern, bool is64BitOs) const;

  // kind 0 Dev-C++ (install directory), 1 Code::Blocks (install directory),
  // 2 CLion (its "bin" directory). An existing directory ending with a
  // backslash, or "".
  std::wstring findIdeDir(int kind, bool is64BitOs) const;

  // findIdeDir for a location whose compiler is to be run. Code::Blocks'
  // location may come from any user's hive; where no hive of this process's
  // own user (its SID, or that SID's "_Classes") names the same directory,
  // the answer is "": another user could have placed that compiler.
  std::wstring findTrustedIdeDir(int kind, bool is64BitOs) const;

  // version is the product year (6 for 6.0). An existing directory ending
  // with a backslash, or "". 6.0's comes from the library directories in
  // the hive of this process's own user (not "_Classes", not another
  // user's), else from the ProductDir its setup writes for the machine.
  std::wstring findVcDir(int version, bool is64BitOs) const;

  // Library sub-directories relative to findVcDir's answer; "" for an
  // unknown version (and for 6.0's missing x64 libraries).
  std::wstring vcLib32Subdir(int version) const;
  std::wstring vcLib64Subdir(int version) const;

  // PROCESSOR_ARCHITECTURE of the system environment is exactly "AMD64".
  bool is64BitOs() const;
};

#endif
