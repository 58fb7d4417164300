#ifndef GRAVO_PLATFORMS_INSTALL_OPS_H
#define GRAVO_PLATFORMS_INSTALL_OPS_H

#include <string>

#include "platforms/records.h"

// The user's desktop folder, without trailing backslash; "" when unknown.
std::wstring desktopFolder();

// desktopFolder() + "\Gravo_Help.lnk"; "" when the desktop is unknown.
std::wstring helpShortcutPath();

// Writes a shell link to target at shortcutPath; true on success.
bool createUrlShortcut(const std::wstring& target, const std::wstring& shortcutPath);

// The documentation entry: "" or "Gravo 文档安装失败。"; "卸载成功" or "卸载失败".
std::wstring installDocs();
std::wstring uninstallDocs();

// Copies the target's payload (headers, x86 libraries, x64 libraries when the
// target has an x64 directory) from setupDir(). "" on success, "安装失败" at the
// first failed copy, and when the target has no directory at all.
std::wstring installVc(const VcTarget& target);
// installVc with the payload read from payloadRoot (ends with a backslash).
std::wstring installVcFrom(const VcTarget& target, const std::wstring& payloadRoot);

// Removes the files installVc copies (uninstallPayloadFiles): "卸载成功" once
// all are gone, "卸载失败" at the first that cannot be removed and when none
// was there.
std::wstring uninstallVc(const VcTarget& target);

// For 2017 and 2019 installed into "...\VC\Auxiliary\VS\": removes the
// payload's own file names from the default toolset's tree (graphics.h only
// when it is Gravo's).
void purgeToolsetCopies(const VcTarget& target);

#endif
