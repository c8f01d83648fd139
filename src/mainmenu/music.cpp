// The background music: the selection tune at activation, then random pieces without end.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>

#include "mainmenu/files.h"
#include "mainmenu/mainform.h"
#include "platform/file_names.h"
#include "platform/file_paths.h"
#include "ui/application.h"

namespace tov {

namespace {
bool isMidiName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  // Pieces copied from other systems often carry upper-case extensions; they match too.
  return extension == ".mid";
}

// Removes every MIDI file of folder; returns a line for each one that could not be removed,
// with the system's reason.
std::vector<std::string> deleteAllMidiFiles(const std::string& folder) {
  std::vector<std::string> failures;
  for (const std::string& name : listMidiFiles(folder, true)) {
    std::error_code error;
    if (!std::filesystem::remove(pathOf(folder + name), error) && error) failures.push_back(name + ": " + error.message());
  }
  return failures;
}
}  // namespace

int pickMusicIndex(int count, std::uint32_t msSinceMidnight) {
  const std::uint32_t seed = msSinceMidnight * 134775813u + 1u;  // modulo 2^32 by the type
  return 1 + int((std::uint64_t(std::uint32_t(count)) * seed) >> 32);
}

std::vector<std::string> listMidiFiles(const std::string& folder, bool includeHidden) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(pathOf(folder), error), end; !error && it != end; it.increment(error)) {
    const std::string name = utf8Of(it->path().filename());
    if (!isMidiName(name) || (!includeHidden && name.front() == '.')) continue;
    std::error_code statError;
    if (it->is_directory(statError)) continue;
    names.push_back(name);
  }
  return names;
}

std::uint32_t TForm1::timeOfDayMs() const {
  using namespace std::chrono;
  const auto now = system_clock::now();
  return std::uint32_t(duration_cast<milliseconds>(now - floor<days>(now)).count());
}

void TForm1::StartMusic() {
  musicPending = true;
  const std::string selectionTune = resolveFileName(musicFolder + kSelectionTune);
  if (!fileExists(selectionTune)) {
    musicFileCount = 0;
    musicListLoaded = false;
    return;
  }
  try {
    music.setFileName(selectionTune);
    music.Open();
    musicFileCount = 0;
    musicListLoaded = false;
    musicPending = false;
    music.Play();
  } catch (const std::exception&) {
    if (Application::messageDlg(kMidiDriverMessage, MsgDlgType::mtConfirmation, mbYes | mbNo) != ModalResult::mrYes)
      return;
    const std::vector<std::string> failures = deleteAllMidiFiles(resolveFileName(musicFolder));
    if (failures.empty()) {
      Application::messageDlg(kMidiRemovedMessage, MsgDlgType::mtInformation, mbOK);
      Close();
      return;
    }
    // Claiming success here would close the menu and ask again at every start; it runs on
    // with the music off instead (no piece is tried again after an activity), and says what
    // is in the way.
    musicPending = false;
    musicFiles.clear();
    musicFileCount = 0;
    musicListLoaded = true;
    std::string text = formatError(ErrorCode::MidiFilesNotRemoved, musicFolder);
    for (const std::string& failure : failures) text += "\n" + failure;
    Application::messageDlg(text, MsgDlgType::mtWarning, mbOK);
  }
}

void TForm1::PlayNextMusic() {
  if (musicPending) return;
  if (!musicListLoaded) {
    musicFiles = listMidiFiles(resolveFileName(musicFolder), false);
    musicFileCount = int(musicFiles.size());
    musicListLoaded = true;
  }
  const std::uint32_t seed = timeOfDayMs();
  if (musicFileCount <= 1) return;
  music.Close();
  const int pick = pickMusicIndex(musicFileCount, seed);
  music.setFileName(resolveFileName(musicFolder) + musicFiles[std::size_t(pick - 1)]);
  music.Open();
  music.Rewind();
  music.Play();
}

void TForm1::musicNotify() { PlayNextMusic(); }

}  // namespace tov
