#pragma once
// Starting other programs, and watching them end. A start is one request in the shell's
// terms (a verb, a file, a parameter line, a working folder); its outcome is a number in the
// Windows shell's scale, so the components that react to failures keep the codes people and
// their handlers know, whatever the operating system.

#include <cstdint>
#include <string>
#include <vector>

namespace tov {

enum class ShellVerb { Open, Print, Explore };

// Failure numbers of a start. Any other value of StartResult::instanceResult is a success.
namespace StartFailure {
constexpr int FileNotFound = 2;
constexpr int PathNotFound = 3;  // a folder on the way, or the working folder, is missing
constexpr int AccessDenied = 5;
constexpr int OutOfMemory = 8;   // also: too many processes or open files
constexpr int SharingViolation = 26;
constexpr int NoAssociation = 31;  // not a program this system runs, and nothing opens it
}  // namespace StartFailure

// The system's message for a failed start of file, by its failure number; another number is
// a start that failed for a reason of its own.
std::string startFailureMessage(int instanceResult, const std::string& file);

// The instance result of a start that worked (the shell's results above 32 are successes).
constexpr int kStartSucceeded = 42;

struct StartRequest {
  ShellVerb verb = ShellVerb::Open;
  std::string file;        // program, document or folder; relative to the current folder
  std::string parameters;  // one line, split into arguments by the Windows rules
  std::string directory;   // working folder of the started program; empty: the current one
  int showCommand = 5;     // how the program should show its first window (SW_SHOW)
};

// Names one started process for as long as its starter keeps it; 0 names none.
using ProcessHandle = std::uint32_t;

struct StartResult {
  int instanceResult = kStartSucceeded;
  ProcessHandle process = 0;  // 0 when no process of ours was started
};

struct ProcessStatus {
  enum State { Running, Ended, Unknown };  // Unknown: the handle names no process
  State state = Unknown;
  int exitCode = 0;  // when Ended; 128 + the signal's number when a signal ended it
};

class IProcessStarter {
 public:
  virtual ~IProcessStarter() = default;

  // Never raises: every way a start can fail is an instance result.
  virtual StartResult start(const StartRequest& request) = 0;

  // Does not block. The first look that finds the process ended takes its exit code and
  // frees what the system kept of it; later looks give the same code.
  virtual ProcessStatus poll(ProcessHandle process) = 0;

  // Blocks until the process has ended.
  virtual ProcessStatus wait(ProcessHandle process) = 0;

  // The caller will not ask about the process again. A process that still runs is left
  // running, and what the system keeps of it once it ends is still freed.
  virtual void release(ProcessHandle process) = 0;

  // The text the system's own message box shows for a failed start of file.
  virtual std::string failureMessage(int instanceResult, const std::string& file) = 0;

  // Programs that may be started soon (those that do not exist are passed over). A starter
  // that needs a while to get ready for some of them (Wine, for a Windows program) gets
  // ready in the background: nothing waits for it, and a start made meanwhile works as
  // before. Asked once, after the first screen is up.
  virtual void prepareFor(const std::vector<std::string>& programs) { (void)programs; }

  // The form in which program expects a path of ours: unchanged for a native program; for a Windows program, Wine's form of it (Z: and backslashes), a folder (ending in "/") keeping its closing separator.
  virtual std::string pathAsSeenBy(const std::string& program, const std::string& path) = 0;
};

}  // namespace tov
