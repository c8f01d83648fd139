#include "platform/guardian/win32/guardian.h"

#include "platform/errors.h"
#include "platform/guardian/undo_record.h"
#include "platform/guardian/win32/desktop_restorer.h"

#include <windows.h>

#include <string>

namespace tov::guardian {

namespace {

// What is left in the pipe once the menu has gone is read within milliseconds, unless a
// program the menu started holds a copy of its write end: then it is not waited for.
constexpr DWORD kRemainingRecordsMs = 2000;

void say(const std::string& text) {
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (!error || error == INVALID_HANDLE_VALUE) return;
  const std::string line = text + "\n";
  DWORD written = 0;
  WriteFile(error, line.data(), DWORD(line.size()), &written, nullptr);
}

// The records as read so far, shared by the reading thread and the waiting one.
struct Listening {
  HANDLE records = nullptr;
  SRWLOCK lock = SRWLOCK_INIT;
  Outstanding outstanding;
};

void takeLines(LineReader& reader, Listening& listening) {
  while (const auto line = reader.nextLine()) {
    const auto record = parseRecord(*line);
    if (!record) {
      say(formatError(ErrorCode::GuardianRecordIgnored, *line));
      continue;
    }
    AcquireSRWLockExclusive(&listening.lock);
    listening.outstanding.apply(*record);
    ReleaseSRWLockExclusive(&listening.lock);
  }
}

// Reads until the menu says it ends cleanly or the pipe breaks: every write end has closed,
// which the menu's end does to its own.
DWORD WINAPI readRecords(void* parameter) {
  Listening& listening = *static_cast<Listening*>(parameter);
  LineReader reader;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(listening.records, buffer, sizeof buffer, &got, nullptr)) {
    reader.feed(std::string_view(buffer, got));
    takeLines(reader, listening);
    AcquireSRWLockShared(&listening.lock);
    const bool clean = listening.outstanding.cleanEnd;
    ReleaseSRWLockShared(&listening.lock);
    if (clean) break;
  }
  return 0;
}

Outstanding snapshot(Listening& listening) {
  AcquireSRWLockShared(&listening.lock);
  Outstanding outstanding = listening.outstanding;
  ReleaseSRWLockShared(&listening.lock);
  return outstanding;
}

bool isPipe(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_PIPE; }

bool isWaitable(HANDLE handle) { return handle && WaitForSingleObject(handle, 0) != WAIT_FAILED; }

}  // namespace

int runGuardian(void* records, void* menuProcess) {
  if (!isPipe(records) || !isWaitable(menuProcess)) {
    say(errorText(ErrorCode::GuardianUsage));
    return kExitUsage;
  }
  // The records stay on the heap: a reading thread still blocked at the end is ended with
  // the process and must not find them gone.
  auto* listening = new Listening;
  listening->records = records;
  HANDLE reader = CreateThread(nullptr, 0, readRecords, listening, 0, nullptr);
  if (!reader) {
    // Without a thread the pipe is read here, and the menu's end is its breaking.
    readRecords(listening);
  } else {
    const HANDLE ends[] = {menuProcess, reader};
    const DWORD first = WaitForMultipleObjects(2, ends, FALSE, INFINITE);
    // The menu has gone: what it wrote before is still in the pipe.
    if (first == WAIT_OBJECT_0) WaitForSingleObject(reader, kRemainingRecordsMs);
  }
  const Outstanding outstanding = snapshot(*listening);
  if (!outstanding.nothingToUndo())
    for (const std::string& line : giveBackDesktop(outstanding)) say(line);
  return 0;
}

}  // namespace tov::guardian
