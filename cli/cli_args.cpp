#include "cli/cli_args.h"

#include <algorithm>

namespace {

const wchar_t kProgram[] = L"GravoSetupCli: ";

// Characters that would mean something to a command interpreter if a path
// ever reached one (% and ! expand variables, quotes end an argument), with
// the fullwidth and typographic forms that a conversion to the ANSI code
// page can turn into them.
const wchar_t kShellMeaningful[] = L"%!\"'`\u2018\u2019\u201C\u201D\uFF01\uFF02\uFF05\uFF07";
// Characters no file or folder name may hold.
const wchar_t kNotInNames[] = L"<>|*?\"";

bool isControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

std::wstring asciiLower(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

// An argument as it may be echoed back: control characters shown as U+FFFD,
// so that no argument can steer the console, and cut to a readable length.
std::wstring shown(const std::wstring& argument) {
  std::wstring text = argument.substr(0, 120);
  for (wchar_t& c : text)
    if (isControl(c)) c = L'\uFFFD';
  return L"'" + text + (argument.size() > text.size() ? L"...'" : L"'");
}

// Length of the root of an absolute path: "C:\" or "\\server\share\"
// (without its last backslash when the path ends there); 0 for anything
// else, device paths ("\\?\", "\\.\") and pipes included.
std::size_t absoluteRoot(const std::wstring& path) {
  if (path.size() >= 3 && isAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\') return 3;
  if (path.size() < 5 || path.compare(0, 2, L"\\\\") != 0) return 0;
  const std::size_t serverEnd = path.find(L'\\', 2);
  if (serverEnd == std::wstring::npos || serverEnd == 2) return 0;
  const std::wstring server = path.substr(2, serverEnd - 2);
  if (server == L"?" || server == L".") return 0;
  const std::size_t shareEnd = path.find(L'\\', serverEnd + 1);
  if (shareEnd == serverEnd + 1) return 0;
  // Named pipes and mailslots of any computer, this one included, are no
  // folders: what is written there goes to whoever listens.
  const std::wstring share = asciiLower(path.substr(serverEnd + 1, shareEnd - serverEnd - 1));
  if (share == L"pipe" || share == L"mailslot") return 0;
  return shareEnd == std::wstring::npos ? path.size() : shareEnd + 1;
}

// The path in the form the wizard's folder chooser gives: backslashes only,
// no doubled ones, no trailing one except for a drive root. Sets error when
// the path is refused. Shell-meaningful characters are refused only where
// asked, since a log file name never reaches any program.
std::wstring checkedPath(const std::wstring& option, std::wstring path, bool refuseShellCharacters,
                         std::wstring& error) {
  const auto refuse = [&](const std::wstring& why) {
    error = kProgram + option + L" " + shown(path) + L": " + why;
    return std::wstring();
  };
  if (path.empty()) return refuse(L"an empty path");
  if (std::any_of(path.begin(), path.end(), isControl)) return refuse(L"contains a control character");
  if (refuseShellCharacters && path.find_first_of(kShellMeaningful) != std::wstring::npos)
    return refuse(L"contains % ! or a quote, which are refused in folder names");
  if (path.find_first_of(kNotInNames) != std::wstring::npos) return refuse(L"contains < > | * ? or a quote");
  std::replace(path.begin(), path.end(), L'/', L'\\');
  const std::size_t root = absoluteRoot(path);
  if (root == 0) return refuse(L"not an absolute path (C:\\... or \\\\server\\share\\...)");
  std::wstring result = path.substr(0, root);
  std::size_t at = root;
  while (at < path.size()) {
    std::size_t end = path.find(L'\\', at);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring segment = path.substr(at, end - at);
    if (segment == L"." || segment == L"..") return refuse(L"holds a . or .. folder");
    if (!segment.empty()) {
      if (result.back() != L'\\') result += L'\\';
      result += segment;
    }
    at = end + 1;
  }
  if (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

}  // namespace

const std::vector<std::wstring>& knownIds() {
  static const std::vector<std::wstring> ids = {L"docs",   L"vc6",    L"vc2008",     L"vc2010", L"vc2012",
                                                L"vc2013", L"vc2015", L"vc2017",     L"vc2019", L"vc2022",
                                                L"vc2026", L"devcpp", L"codeblocks", L"clion",  L"mingw"};
  return ids;
}

CliParse parseArguments(const std::vector<std::wstring>& args) {
  CliParse parse;
  CliRequest& request = parse.request;
  const auto fail = [&](const std::wstring& why) {
    parse.error = kProgram + why;
    return parse;
  };
  for (const std::wstring& arg : args)
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") return parse;

  bool haveCommand = false;
  bool haveDir = false;
  bool haveLog = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    const std::size_t equals = arg.find(L'=');
    const std::wstring name = arg.compare(0, 2, L"--") == 0 ? arg.substr(0, equals) : arg;
    if (name == L"--dir" || name == L"--log") {
      bool& seen = name == L"--dir" ? haveDir : haveLog;
      if (seen) return fail(name + L" is given twice");
      seen = true;
      std::wstring value;
      if (equals != std::wstring::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return fail(name + L" needs a path");
      }
      std::wstring& target = name == L"--dir" ? request.dir : request.logFile;
      target = checkedPath(name, value, name == L"--dir", parse.error);
      if (!parse.error.empty()) return parse;
    } else if (arg == L"--json") {
      request.json = true;
    } else if (arg == L"--all") {
      request.all = true;
    } else if (!arg.empty() && (arg[0] == L'-' || arg[0] == L'/')) {
      return fail(L"unknown option " + shown(arg));
    } else if (!haveCommand) {
      haveCommand = true;
      const std::wstring command = asciiLower(arg);
      if (command == L"list") request.command = CliRequest::List;
      else if (command == L"install") request.command = CliRequest::Install;
      else if (command == L"uninstall") request.command = CliRequest::Uninstall;
      else if (command == L"verify") request.command = CliRequest::Verify;
      else if (command == L"help") request.command = CliRequest::Help;
      else if (command == L"rollback") request.command = CliRequest::Rollback;
      else return fail(L"unknown command " + shown(arg));
    } else {
      const std::wstring id = asciiLower(arg);
      if (std::find(knownIds().begin(), knownIds().end(), id) == knownIds().end())
        return fail(L"unknown id " + shown(arg));
      if (std::find(request.ids.begin(), request.ids.end(), id) == request.ids.end())
        request.ids.push_back(id);
    }
  }

  const bool verifies = request.command == CliRequest::Verify;
  const bool acts =
      request.command == CliRequest::Install || request.command == CliRequest::Uninstall || verifies;
  if (!haveCommand) return fail(L"no command given");
  if (request.command == CliRequest::Help && (request.json || request.all || haveDir || !request.ids.empty()))
    return fail(L"help takes no further arguments");
  if (request.command == CliRequest::List && (request.all || haveDir || !request.ids.empty()))
    return fail(L"list takes only --json and --log");
  if (request.command == CliRequest::Rollback &&
      (request.json || request.all || haveDir || !request.ids.empty()))
    return fail(L"rollback takes only --log");
  if (acts && !verifies && request.json) return fail(L"--json is for list and verify only");
  if (acts && !request.all && request.ids.empty()) return fail(L"name the environments to act on, or --all");
  if (haveDir && (request.all || request.ids.size() != 1))
    return fail(L"--dir goes with exactly one id and no --all");
  if (haveDir && request.ids.front() == L"docs") return fail(L"--dir does not apply to docs");
  if (verifies && std::find(request.ids.begin(), request.ids.end(), L"docs") != request.ids.end())
    return fail(L"docs has no compiler to verify");
  return parse;
}

std::wstring usageText() {
  return LR"(Usage:
  GravoSetupCli list [--json]
  GravoSetupCli install <id>... | --all [<id>...]       [--log <file>]
  GravoSetupCli install <id> --dir <folder>             [--log <file>]
  GravoSetupCli uninstall <id>... | --all [<id>...]     [--log <file>]
  GravoSetupCli uninstall <id> --dir <folder>           [--log <file>]
  GravoSetupCli verify <id>... | --all [<id>...] [--json] [--log <file>]
  GravoSetupCli verify <id> --dir <folder>       [--json] [--log <file>]
  GravoSetupCli rollback                                [--log <file>]
  GravoSetupCli --help

Installs the Gravo 26.9.25 headers and libraries into the C/C++ environments
of this computer, or removes them, without a window: the same detection and
the same operations as GravoSetup.exe, with the payload read from beside
this program.

Ids: docs vc6 vc2008 vc2010 vc2012 vc2013 vc2015 vc2017 vc2019 vc2022 vc2026
     devcpp codeblocks clion mingw
  list            every row the wizard shows, in its order
  --json          the list or the verify results as JSON, in ASCII (other
                  characters as \uXXXX)
  --all           every detected environment; the desktop shortcut (docs)
                  only when named as well
  --dir <folder>  look for the environment in this folder and the folders
                  above it, as the wizard's folder chooser does; an absolute
                  path without % ! quotes or control characters
  --log <file>    append a timestamped line for every file copied or
                  deleted (absolute path; a new file starts with a UTF-8
                  byte-order mark); run as an administrator or SYSTEM
                  without it, the log is %SystemRoot%\Logs\Gravo\
                  GravoSetupCli.log. A file that is a link, has more than
                  one name or is no disk file is not written (exit code 4)
  rollback        puts back every file the last install or uninstall run
                  as an administrator or SYSTEM changed, as it was before

verify builds a small program that draws into an off-screen image with each
environment's own compiler (MinGW: bin\g++.exe with -lgravo and -lgravow;
Visual C++: its environment script, then cl), in a private temporary folder,
runs it and reports "verified" or the compiler's or program's last lines. A
program this computer cannot run (32-bit code where it runs none) is
reported as built, not run. Every compiler and program runs without
administrator rights and is ended after a time-out.

uninstall leaves alone, as skipped, the environments that do not hold the
library, so it can be run again. The summary line names every environment
skipped and why: not detected, unsupported toolchain, does not hold the
library.

Exit codes:
  0  everything asked for was done (verify: every environment verified)
  1  an operation failed, or an environment did not verify (its line says
     which and why), or something unexpected happened (a line says so)
  2  bad arguments (this text is shown)
  3  nothing detected to act on, or a named environment is not detected
     (the detected ones are still done); for verify, no environment or a
     named one does not hold the library
  4  everything asked for was done, but the log file could not be opened
     or written (the error output says why); 1 and 3 come first
  5  administrator rights are missing for a folder to be written; nothing
     was changed
)";
}
