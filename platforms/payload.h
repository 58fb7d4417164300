#ifndef GRAVO_PLATFORMS_PAYLOAD_H
#define GRAVO_PLATFORMS_PAYLOAD_H

#include <array>
#include <cstdint>
#include <string>

// One payload file beside the executable. It is installed under its bare
// fileName; sourceSubdir ends with a backslash and never reaches the target.
struct PayloadFile {
  std::wstring sourceSubdir;
  std::wstring fileName;
};

constexpr int kPayloadFileCount = 12;
using PayloadTable = std::array<PayloadFile, kPayloadFileCount>;

// Headers at 0-1; x86/x64 library builds for 6.0 (2-3), 2008-2013 (4-7) and
// 2015-2026 (8-11).
const PayloadTable& payloadTable();

// Two payloadTable() indices that are always installed, uninstalled or purged
// together, first then second.
struct PayloadPair {
  std::int32_t first;
  std::int32_t second;
};

// Directory of the running executable, with its trailing backslash; "" when
// the system cannot report the executable's path.
std::wstring setupDir();

// exePath up to and including its last backslash; "" without one.
std::wstring setupDirOf(const std::wstring& exePath);

#endif
