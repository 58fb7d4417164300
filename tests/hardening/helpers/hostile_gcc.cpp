// Stand-in for a gcc.exe that misbehaves: writes the bytes of gcc-out.bin
// beside it, unchanged, to standard error and exits with the number in
// gcc-exit.txt (0 without one). Each run appends its own path and command
// line to gcc-ran.txt, so a test can tell exactly which program ran.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::wstring ownPath() {
  wchar_t path[32768];
  const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
  return std::wstring(path, length);
}

std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                        nullptr);
  return bytes;
}

std::string readAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

int main() {
  const std::wstring self = ownPath();
  const std::wstring dir = self.substr(0, self.find_last_of(L'\\') + 1);
  std::ofstream((dir + L"gcc-ran.txt").c_str(), std::ios::binary | std::ios::app)
      << utf8(self) << "\n"
      << utf8(GetCommandLineW()) << "\n";

  const std::string output = readAll(dir + L"gcc-out.bin");
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  std::size_t done = 0;
  while (done < output.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(output.size() - done, 65536));
    if (!WriteFile(err, output.data() + done, chunk, &written, nullptr) || written == 0) break;
    done += written;
  }
  return std::atoi(readAll(dir + L"gcc-exit.txt").c_str());
}
