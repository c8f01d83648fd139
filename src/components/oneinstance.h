#pragma once
// TOneInstance: ends a second copy of the program at once and brings the running copy to
// the front. The decision rests on the platform's instance lock, taken when the program
// started, before any form; the form calls Loaded() once it is built and before it touches
// the desktop, so a second copy ends having changed nothing.

#include <functional>
#include <string>

#include "platform/errors.h"
#include "platform/instance.h"

namespace tov {

TOV_DECLARE_ERROR(EOneInstError, Exception);  // a second TOneInstance in the program

enum class TOneInstanceMode { oiActivateOnly, oiDefaultMessage, oiCustom };

// What a second copy shows in oiDefaultMessage mode.
std::string alreadyStartedMessage(const std::string& applicationTitle);

class TOneInstance {
 public:
  using NotifyEvent = std::function<void(TOneInstance* sender)>;

  // EOneInstError while another TOneInstance lives: one program has one guard.
  TOneInstance(IInstanceLock& lock, IWindowActivator& activator);
  ~TOneInstance();
  TOneInstance(const TOneInstance&) = delete;
  TOneInstance& operator=(const TOneInstance&) = delete;

  bool Enabled() const { return enabled_; }
  void setEnabled(bool value) { enabled_ = value; }
  TOneInstanceMode Mode() const { return mode_; }
  void setMode(TOneInstanceMode value) { mode_ = value; }
  NotifyEvent OnCustom;

  // In a second copy, while Enabled: does what Mode says, then ends the process with exit
  // code 0. Nothing of the form's destruction runs: the desktop the copies share keeps the
  // first copy's state (a left-handed pupil keeps the exchanged mouse buttons).
  void Loaded();
  // Brings the running copy's main window, found by the application title, to the front
  // and restores it when minimised; does nothing in the first copy.
  void ActivateRunningCopy();

  // The live components of this class; at most one.
  static int LiveCount() { return liveCount_; }

 private:
  IInstanceLock& lock_;
  IWindowActivator& activator_;
  bool enabled_ = true;
  TOneInstanceMode mode_ = TOneInstanceMode::oiActivateOnly;
  static int liveCount_;  // components are made and freed on the user-interface thread only
};

}  // namespace tov
