// Stand-in for a MinGW gcc.exe: prints the gcc -v text kept in gcc-v.txt
// beside it to standard error, as gcc does, and records its command line in
// gcc-args.txt, then on lines of their own "administrators: enabled" or
// "administrators: not enabled" and "privileges: <count>" as its token says. A first line "#flood <MiB>
// <character code>" appends that many MiB of the character after the text; "#hang <event name>" creates the
// named event after printing and then never exits; "#hold <started> <go>" sets the event named started before
// printing and waits (at most a minute) for the one named go.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::wstring ownDir() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L'\\') + 1);
}

std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  bytes.resize(static_cast<std::size_t>(size - 1));
  return bytes;
}

void writeAll(HANDLE out, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > 65536 ? 65536 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(out, data, chunk, &written, nullptr) || written == 0) return;
    data += written;
    size -= written;
  }
}

}  // namespace

int main() {
  const std::wstring dir = ownDir();
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD sidBytes = sizeof(administrators);
  BOOL member = TRUE;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidBytes) ||
      !CheckTokenMembership(nullptr, administrators, &member))
    member = TRUE;
  HANDLE token = nullptr;
  DWORD privileges = 0;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    DWORD bytes = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &bytes);
    std::string held(bytes, '\0');
    if (bytes >= sizeof(TOKEN_PRIVILEGES) &&
        GetTokenInformation(token, TokenPrivileges, &held[0], bytes, &bytes))
      privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(held.data())->PrivilegeCount;
    CloseHandle(token);
  }
  std::ofstream((dir + L"gcc-args.txt").c_str(), std::ios::binary)
      << utf8(GetCommandLineW()) << "\nadministrators: " << (member ? "enabled" : "not enabled")
      << "\nprivileges: " << privileges;

  std::ifstream in((dir + L"gcc-v.txt").c_str(), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  std::string text = content.str();

  std::string directive;
  if (text.compare(0, 1, "#") == 0) {
    const std::size_t end = text.find('\n');
    directive = text.substr(0, end);
    text = end == std::string::npos ? std::string() : text.substr(end + 1);
  }

  std::istringstream words(directive);
  std::string verb;
  words >> verb;
  if (verb == "#hold") {
    std::string started;
    std::string go;
    words >> started >> go;
    SetEvent(CreateEventA(nullptr, TRUE, FALSE, started.c_str()));
    WaitForSingleObject(CreateEventA(nullptr, TRUE, FALSE, go.c_str()), 60000);
  }

  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  writeAll(err, text.data(), text.size());

  if (verb == "#flood") {
    int mebibytes = 0;
    int fill = 'x';
    words >> mebibytes >> fill;
    const std::string block(1 << 20, static_cast<char>(fill));
    for (int i = 0; i < mebibytes; ++i) writeAll(err, block.data(), block.size());
  } else if (verb == "#hang") {
    std::string name;
    words >> name;
    CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    Sleep(INFINITE);
  }
  return 0;
}
