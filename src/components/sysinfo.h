#pragma once
// TSysInfo: the two folders in which the system keeps its own programs, searched in this
// order for the volume control, and the volume control's file names on this system, the most
// wanted first.

#include <string>
#include <utility>
#include <vector>

#include "platform/system_programs.h"

namespace tov {

class TSysInfo {
 public:
  TSysInfo() : TSysInfo(systemPrograms()) {}
  // The system's own volume control, in other folders.
  TSysInfo(std::string winPath, std::string winSysPath)
      : TSysInfo(std::move(winPath), std::move(winSysPath), systemPrograms().volumeControls) {}
  TSysInfo(std::string winPath, std::string winSysPath, std::vector<std::string> volumeControls)
      : winPath_(std::move(winPath)), winSysPath_(std::move(winSysPath)), volumeControls_(std::move(volumeControls)) {}

  const std::string& WinPath() const { return winPath_; }
  const std::string& WinSysPath() const { return winSysPath_; }
  const std::vector<std::string>& VolumeControlPrograms() const { return volumeControls_; }

 private:
  explicit TSysInfo(SystemPrograms system)
      : TSysInfo(std::move(system.windowsFolder), std::move(system.systemFolder), std::move(system.volumeControls)) {}

  std::string winPath_;
  std::string winSysPath_;
  std::vector<std::string> volumeControls_;
};

}  // namespace tov
