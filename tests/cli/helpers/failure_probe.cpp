// Fails as its argument says once GravoSetupCli's handlers are in place:
// abort, throw, overflow (the stack), crash (a null pointer read).
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "cli/cli_failure.h"

namespace {

int deeper(int depth, int limit) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  return depth >= limit ? frame[0] : deeper(depth + 1, limit) + frame[0];
}

}  // namespace

int main(int argc, char** argv) {
  endUnexpectedFailuresWithExitCode1();
  const std::string how = argc > 1 ? argv[1] : "";
  if (how == "abort") std::abort();
  if (how == "throw") throw std::runtime_error("unexpected");
  if (how == "overflow") return deeper(0, argc << 28);
  if (how == "crash") return *reinterpret_cast<volatile int*>(std::getenv("GRAVO_NO_SUCH_VARIABLE"));
  return 0;
}
