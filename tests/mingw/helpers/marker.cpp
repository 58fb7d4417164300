// A program that must never run: it leaves marker-ran.txt beside itself.
#include <windows.h>

#include <fstream>
#include <string>

int main() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path, length);
  std::ofstream((full.substr(0, full.find_last_of(L'\\') + 1) + L"marker-ran.txt").c_str()) << "ran\n";
  return 0;
}
