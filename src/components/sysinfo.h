#pragma once
// TSysInfo: the two folders in which the system keeps its own programs, searched in this
// order for the volume control.

#include <string>

namespace tov {

class TSysInfo {
 public:
  TSysInfo() = default;
  TSysInfo(std::string winPath, std::string winSysPath)
      : winPath_(std::move(winPath)), winSysPath_(std::move(winSysPath)) {}

  const std::string& WinPath() const { return winPath_; }
  const std::string& WinSysPath() const { return winSysPath_; }

 private:
  std::string winPath_ = "/usr/bin";
  std::string winSysPath_ = "/usr/local/bin";
};

}  // namespace tov
