#include "components/oneinstance.h"

#include "ui/application.h"

namespace tov {

int TOneInstance::liveCount_ = 0;

std::string alreadyStartedMessage(const std::string& applicationTitle) {
  return "\"" + applicationTitle + "\" was already started...";
}

TOneInstance::TOneInstance(IInstanceLock& lock, IWindowActivator& activator)
    : lock_(lock), activator_(activator) {
  if (liveCount_ > 0) throw EOneInstError(ErrorCode::OneInstanceDuplicate);
  ++liveCount_;
}

TOneInstance::~TOneInstance() { --liveCount_; }

void TOneInstance::Loaded() {
  if (!enabled_ || !lock_.alreadyRunning()) return;
  switch (mode_) {
    case TOneInstanceMode::oiActivateOnly:
      ActivateRunningCopy();
      break;
    case TOneInstanceMode::oiDefaultMessage:
      Application::messageDlg(alreadyStartedMessage(Application::title()), MsgDlgType::mtInformation, mbOK);
      ActivateRunningCopy();
      break;
    case TOneInstanceMode::oiCustom:
      // What the handler throws is reported; the second copy ends all the same.
      if (OnCustom)
        Application::guarded([this] { OnCustom(this); });
      else
        ActivateRunningCopy();
      break;
  }
  lock_.haltProcess(0);
}

void TOneInstance::ActivateRunningCopy() {
  if (!lock_.alreadyRunning()) return;
  activator_.activate(Application::title());
}

}  // namespace tov
