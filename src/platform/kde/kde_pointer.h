#pragma once
// The mouse hand on KDE Plasma (KWin on Wayland): each pointer device's own leftHanded, set
// through KWin's input-device interface on the session bus. KWin keeps it in the user's
// settings, so what the menu changes is recorded with the guardian, device by device,
// before it changes it, and put back however the menu ends. A device that was left-handed
// already stays so: normal buttons are the desktop's own setting. A mouse plugged in while
// the menu runs (KWin announces it with deviceAdded, heard on the event loop) gets the hand
// chosen at that time. This header brings in no GLib.

#include "platform/pointer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::kde {

class KdePointer : public IPointer {
 public:
  // Null when KWin does not answer on the session bus or has no pointer that can be made
  // left-handed.
  static std::unique_ptr<KdePointer> open(guardian::IUndoRecorder* guardian);
  // Gives each device's own setting back.
  ~KdePointer() override;
  KdePointer(const KdePointer&) = delete;
  KdePointer& operator=(const KdePointer&) = delete;

  // Swapped: every pointer left-handed. Not swapped: each as the desktop had it.
  void setButtonsSwapped(bool swapped) override;
  bool buttonsSwapped() override;

 private:
  struct Bus;
  struct Device {
    std::string sysName;
    bool leftHanded = false;  // the desktop's own setting
    bool setByMenu = false;   // KWin holds it left-handed from the menu
  };
  KdePointer(std::unique_ptr<Bus> bus, std::vector<Device> devices, guardian::IUndoRecorder* guardian);
  static std::optional<Device> readDevice(const Bus& bus, const std::string& sysName);
  void apply(Device& device, bool swapped);
  void takeAnnounced(const std::string& sysName);

  std::unique_ptr<Bus> bus_;
  std::vector<Device> devices_;
  guardian::IUndoRecorder* guardian_;
  bool swapped_ = false;  // the hand chosen now, for devices still to come
};

}  // namespace tov::kde
