// What GravoSetupCli.exe does with a checked request, apart from the
// console: detection, the rows' own operations and their texts, the summary
// and the log.
#ifndef GRAVO_CLI_CLI_RUN_H
#define GRAVO_CLI_CLI_RUN_H

#include <functional>
#include <string>

#include "cli/cli_args.h"
#include "platforms/records.h"

// Where the program's lines go; each call is one line without its end.
struct CliConsole {
  std::function<void(const std::wstring&)> out;
  std::function<void(const std::wstring&)> err;
};

// The stable id of a row: docs, vc6, vc2008 ... vc2026, devcpp, codeblocks,
// clion, mingw.
std::wstring entryId(const CatalogueData& data, const PlatformEntry& entry);

// The start of a row's line: its id and label in columns.
std::wstring rowHead(const CatalogueData& data, const PlatformEntry& entry);

// text as a JSON string in ASCII: other characters as \uXXXX escapes.
std::wstring jsonString(const std::wstring& text);

// The list as JSON, one row object per line, keys id, label, detected,
// directories and status.
std::wstring listJson(const CatalogueData& data);

// A text as it may reach the console or the log: control characters, which
// registry values and file names could carry, shown as U+FFFD.
std::wstring printable(const std::wstring& text);

// text as UTF-8, as the log and a redirected console get it.
std::string toUtf8(const std::wstring& text);

// Runs request on an empty catalogue (it is built here) and gives the exit
// code. Nothing is detected or changed for a help request, and nothing is
// changed when administrator rights are missing for a destination.
int runCli(const CliRequest& request, CatalogueData& data, const CliConsole& console);

#endif
