// What an elevated install or uninstall changed, recorded before each change
// so that `GravoSetupCli rollback` (and the package, when an installation
// fails) can put every file back as it was. The journal and its copies of
// replaced files are kept where only administrators and SYSTEM can write:
// a rollback runs with those rights and would otherwise restore whatever a
// user wrote into it.
#ifndef GRAVO_CLI_CLI_JOURNAL_H
#define GRAVO_CLI_CLI_JOURNAL_H

#include <functional>
#include <set>
#include <string>

#include "platforms/file_ops.h"

// %SystemRoot%\Logs\Gravo\ with its trailing backslash, created with an
// access list that lets only administrators and SYSTEM in when it is
// missing; "" when it cannot be created or is not a plain folder (a link
// standing in its place is refused).
std::wstring adminFolder();

// The journal's folder inside adminFolder(); "" without one.
std::wstring journalFolder();

class Journal {
 public:
  explicit Journal(std::wstring folder) : folder_(std::move(folder)) {}
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;
  ~Journal();

  // Drops the earlier run's journal and starts an empty one; false when it
  // cannot be written, or while another run keeps its journal open.
  bool begin();

  // Records what the paths a change is about to touch hold now (each path
  // once per run: the first state is the one to go back to); false when it
  // cannot be recorded, and then the change must not be made.
  bool recordChange(const FileEvent& change);

 private:
  bool record(const std::wstring& path);
  bool writeLine(const std::wstring& line);

  std::wstring folder_;
  void* file_ = nullptr;
  int copies_ = 0;
  std::set<std::wstring> recorded_;
};

// Removes the journal in folder, so that no later rollback replays it;
// nothing while a run still holds it open.
void discardJournal(const std::wstring& folder);

struct RollbackResult {
  bool found = false;
  int restored = 0;
  int failed = 0;
};

// Puts back every path the journal in folder records, the latest change
// first: a file that was not there is deleted, one that was gets its bytes
// back. A path that already is as it was is left alone. report gets one line
// per path changed or failed. The journal is dropped once everything is
// back, and kept for another try otherwise.
RollbackResult rollBack(const std::wstring& folder, const std::function<void(const std::wstring&)>& report);

#endif
