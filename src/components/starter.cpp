#include "components/starter.h"

#include <array>
#include <utility>

#include "components/appsupport.h"
#include "platform/errors.h"
#include "ui/application.h"

namespace tov {

namespace {

constexpr std::uint32_t kStartTimeCheckInterval = 1000;
constexpr std::uint32_t kFinishPollInterval = 500;

TTimerPool& tickService() {
  TAppSupport* support = TAppSupport::Instance();
  if (!support) throw EOutOfResources(ErrorCode::NotEnoughTimers);
  return support->TimerPool();
}

ShellVerb verbOf(TStarterOperation operation) {
  switch (operation) {
    case TStarterOperation::smOpen: break;
    case TStarterOperation::smPrint: return ShellVerb::Print;
    case TStarterOperation::smExplore: return ShellVerb::Explore;
  }
  return ShellVerb::Open;
}

// The folder part of a name, with its closing slash; "/" when it has none.
std::string folderToExplore(const std::string& command) {
  const std::size_t slash = command.find_last_of('/');
  return slash == std::string::npos ? "/" : command.substr(0, slash + 1);
}

}  // namespace

int showCommandOf(TStarterOptions option) {
  switch (option) {
    case TStarterOptions::soSW_HIDE: return 0;
    case TStarterOptions::soSW_MAXIMIZE: return 3;
    case TStarterOptions::soSW_MINIMIZE: return 6;
    case TStarterOptions::soSW_RESTORE: return 9;
    case TStarterOptions::soSW_SHOW: break;
    case TStarterOptions::soSW_SHOWMAXIMIZED: return 3;
    case TStarterOptions::soSW_SHOWMINIMIZED: return 2;
    case TStarterOptions::soSW_SHOWMINNOACTIVE: return 7;
    case TStarterOptions::soSW_SHOWNA: return 8;
    case TStarterOptions::soSW_SHOWNORMAL: return 1;
  }
  return 5;
}

bool isStartFailure(int instanceResult) {
  // File or path not found, access denied, out of memory, and 26 to 32: sharing violation,
  // incomplete association, the three exchange failures, no association, library not found.
  constexpr std::array<int, 4> kLowFailures{2, 3, 5, 8};
  for (int failure : kLowFailures)
    if (instanceResult == failure) return true;
  return instanceResult >= 26 && instanceResult <= 32;
}

TStarter::TStarter(IProcessStarter& processes) : processes_(processes), pool_(tickService()) {
  startTimeRegistration_ = pool_.Register(kStartTimeCheckInterval, [this] { startTimeCheck(); });
  if (startTimeRegistration_ == 0) throw EOutOfResources(ErrorCode::NotEnoughTimers);
  pool_.Enable(startTimeRegistration_, false);
}

TStarter::~TStarter() {
  pool_.Enable(startTimeRegistration_, false);
  pool_.Unregister(startTimeRegistration_);
  // No OnFinished after destruction.
  stopFinishPoll();
  forgetProcess();
}

void TStarter::setCommand(const std::string& value) {
  if (value != command_) command_ = value;
}

void TStarter::setParameters(const std::string& value) {
  if (value != parameters_) parameters_ = value;
}

void TStarter::setDefaultDir(const std::string& value) {
  if (value != defaultDir_) defaultDir_ = value;
}

void TStarter::setAutoStart(bool value) {
  if (value == autoStart_) return;
  autoStart_ = value;
  pool_.SetInterval(startTimeRegistration_, kStartTimeCheckInterval);
  pool_.Enable(startTimeRegistration_, value);
}

StartRequest TStarter::request() const {
  StartRequest request;
  request.verb = verbOf(startOperation_);
  request.showCommand = showCommandOf(startOption_);
  if (startOperation_ == TStarterOperation::smExplore) {
    request.file = folderToExplore(command_);
  } else {
    request.file = command_;
    request.parameters = parameters_;
    request.directory = defaultDir_;
  }
  return request;
}

void TStarter::Execute() {
  raise(OnBeforeStart);
  const StartRequest startRequest = request();
  // One process is watched at a time: a start that replaces a watched one stops watching it,
  // so its end can never be reported as the end of the new one.
  stopFinishPoll();
  forgetProcess();

  const StartResult result = processes_.start(startRequest);
  process_ = result.process;
  if (isStartFailure(result.instanceResult)) {
    // The system's own message box, which the shell shows before its call returns.
    Application::messageDlg(processes_.failureMessage(result.instanceResult, startRequest.file),
                            MsgDlgType::mtError, mbOK);
    raise(OnError);
  } else {
    if (OnFinished) watchForFinish();
    if (wait_) processes_.wait(process_);
    // Nobody asks about an unwatched process: let the platform reap it on its own.
    if (!OnFinished) forgetProcess();
  }
  raise(OnAfterStart);
}

void TStarter::watchForFinish() {
  finishPollRegistration_ = pool_.Register(kFinishPollInterval, [this] { finishPoll(); });
  if (finishPollRegistration_ == 0) throw EOutOfResources(ErrorCode::NotEnoughTimers);
  pool_.Enable(finishPollRegistration_, true);
}

void TStarter::stopFinishPoll() {
  if (finishPollRegistration_ == 0) return;
  pool_.Enable(finishPollRegistration_, false);
  pool_.Unregister(finishPollRegistration_);
  finishPollRegistration_ = 0;
}

void TStarter::finishPoll() {
  // Running is the only state that keeps the poll: an ended process and a handle that names
  // no process both end the watch.
  if (processes_.poll(process_).state == ProcessStatus::Running) return;
  stopFinishPoll();
  raise(OnFinished);  // may free this starter: nothing follows
}

void TStarter::startTimeCheck() {
  const DateTimeParts now = decodeDateTime(Clock());
  const DateTimeParts at = decodeDateTime(startTime_.Value());
  const bool sameSecond = now.year == at.year && now.month == at.month && now.day == at.day &&
                          now.hour == at.hour && now.minute == at.minute && now.second == at.second;
  if (sameSecond) Execute();
}

void TStarter::forgetProcess() {
  if (process_ != 0) processes_.release(process_);
  process_ = 0;
}

void TStarter::raise(const std::function<void(TStarter*)>& event) {
  if (!event) return;
  // A copy: a handler may assign another handler to the event it runs in.
  const auto handler = event;
  handler(this);
}

}  // namespace tov
