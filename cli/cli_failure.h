// How GravoSetupCli.exe ends when something unexpected happens: one line
// on the error output and exit code 1, never the 3 of abort() that
// deployment tools read as "nothing detected", nor a crash code some
// scripts do not check.
#ifndef GRAVO_CLI_CLI_FAILURE_H
#define GRAVO_CLI_CLI_FAILURE_H

// Writes "GravoSetupCli: unexpected failure (<what>); exit code 1" and ends
// the process with exit code 1. It allocates nothing and needs little
// stack, as the heap or the stack may be what failed.
[[noreturn]] void endUnexpectedly(const char* what);

// Sends an abort, an exception nothing catches and a crash (a stack
// overflow included) of the calling thread to endUnexpectedly. Called first
// thing in wmain.
void endUnexpectedFailuresWithExitCode1();

#endif
