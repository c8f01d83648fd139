#pragma once
// What the Win32 tests share: this test program started again as a probe (a second copy, a
// started program), files in a scratch folder, and the event loop served until a condition
// holds.

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/guardian/undo_recorder.h"

namespace tov::test {

// The guardian as a service sees it: each record, with what the test reads of the desktop at
// that moment (so that an undo recorded after its change shows).
class RecordingGuardian : public guardian::IUndoRecorder {
 public:
  using Recorded = std::pair<guardian::UndoRecord, int>;
  explicit RecordingGuardian(std::function<int()> readDesktop) : readDesktop_(std::move(readDesktop)) {}
  void record(const guardian::UndoRecord& undo) override { records.emplace_back(undo, readDesktop_()); }
  std::vector<Recorded> records;

 private:
  std::function<int()> readDesktop_;
};

// This test program's own path.
std::wstring thisProgram();

// A fresh folder under the system's temporary folder, removed with what it holds.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // UTF-8, ending in "\".
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The bytes of a file; empty when it cannot be read.
std::vector<unsigned char> readBytes(const std::string& utf8Path);

// Serves the installed event loop until condition holds; false when limitMs passed first
// (a generous limit: the loop is woken by a timer of its own to look).
bool serveUntil(const std::function<bool()>& condition, unsigned limitMs = 30000);

// Starts this program with the command-line tail given; its process handle, or null.
HANDLE startThisProgram(const std::wstring& arguments);

// The probes this program runs as when started with one of these as its first argument.
constexpr char kArgumentsProbe[] = "--arguments-probe";  // FILE GO-EVENT EXIT-CODE ARGS...
constexpr char kSecondCopyProbe[] = "--second-copy-probe";  // PROGRAM-PATH TITLE

// Runs the probe named by argv[1], if it names one; its exit code, or -1.
int runProbe(int argc, wchar_t** argv);

}  // namespace tov::test
