// Starting the activities and the report program, and coming back when they end.
#include "mainmenu/mainform.h"
#include "platform/file_names.h"
#include "ui/application.h"

namespace tov {

std::string activityParameters(const std::string& programFolder, const std::string& pupilName) {
  // Each of the five arguments is framed as double quote, asterisk, value, number sign,
  // double quote; nothing inside a value is escaped.
  std::string line;
  for (const std::string& value : {programFolder, pupilName, std::string(), std::string(), std::string("TRUE")}) {
    if (!line.empty()) line += ' ';
    line += "\"*" + value + "#\"";
  }
  return line;
}

std::string reportParameters(const std::string& programFolder, const std::string& pupilName, int language) {
  const std::string code = language == 1 ? "AFR" : language == 2 ? "ENG" : "";
  // Six arguments, each framed as double quote, value, asterisk, double quote.
  std::string line;
  for (const std::string& value : {programFolder, pupilName, std::string(), std::string(), std::string("TRUE"), code}) {
    if (!line.empty()) line += ' ';
    line += "\"" + value + "*\"";
  }
  return line;
}

void TForm1::wireLaunchEvents() {
  appExe.OnAfterStart = [this](TStarter*) { appExeAfterStart(); };
  appExe.OnError = [this](TStarter*) { appExeError(); };
  appExe.OnFinished = [this](TStarter*) { appExeFinished(); };
  reportbut.OnClick = [this](TControl*) { reportbutClick(); };
  reportbut2.OnClick = [this](TControl*) { reportbut2Click(); };
}

void TForm1::LaunchActivity(const std::string& relativePath) {
  if (activityRunning) return;
  activityRunning = true;
  const std::string program = resolveFileName(programFolder + relativePath);
  startProgram(program, activityParameters(folderAsSeenBy(program), pupilName));
}

// A Windows program is given the folder as Wine shows it: Z: with backslashes, ending in one,
// so that it can join its own file names to it.
std::string TForm1::folderAsSeenBy(const std::string& program) const {
  return platform_.processes->pathAsSeenBy(program, programFolder);
}

void TForm1::prepareProgramStarts() {
  if (programStartsPrepared_) return;
  programStartsPrepared_ = true;
  std::vector<std::string> programs;
  for (int option = 1; option <= 9; ++option)
    for (const int chosenLanguage : {1, 2})
      programs.push_back(resolveFileName(programFolder + activityProgramPath(option, chosenLanguage)));
  programs.push_back(resolveFileName(programFolder + "report/report.exe"));
  platform_.processes->prepareFor(programs);
}

void TForm1::startProgram(const std::string& command, const std::string& parameters) {
  startFailed_ = false;
  appExe.setCommand(command);
  appExe.setParameters(parameters);
  appExe.Execute();
}

void TForm1::appExeAfterStart() {
  // The after-start event follows a failed start too; the error reaction has then put the
  // menu back already, and it stays so.
  if (startFailed_) return;
  activityRunning = true;
  Minimize();
  optionLocked = true;
}

void TForm1::appExeError() {
  startFailed_ = true;
  backFromProgram();
}

void TForm1::appExeFinished() { backFromProgram(); }

void TForm1::backFromProgram() {
  activityRunning = false;
  if (Minimized()) Restore();
  optionLocked = false;
  if (musicPending) {
    musicPending = false;
    // A piece that cannot be opened is reported here, so that the reaction's caller still
    // runs to its end: a failed launch must come back to the menu screen with its controls.
    Application::guarded([this] { PlayNextMusic(); });
  }
}

void TForm1::reportbutClick() {
  if (activityRunning) return;
  startReport();
}

void TForm1::reportbut2Click() {
  language = 0;
  startReport();
}

void TForm1::startReport() {
  PlayFxSound("report.wav");
  const std::string program = resolveFileName(programFolder + "report/report.exe");
  startProgram(program, reportParameters(folderAsSeenBy(program), pupilName, language));
}

}  // namespace tov
