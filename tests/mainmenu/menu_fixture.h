#pragma once
// A main form on test doubles, in a program folder of its own, with every message box and
// every sound it asked for recorded.

#include <QImage>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "components/appsupport.h"
#include "doubles/fake_platform.h"
#include "mainmenu/mainform.h"
#include "ui/application.h"
#include "ui/qt/qt_access.h"

namespace tov::test {

class RecordingForm : public TForm1 {
 public:
  using TForm1::TForm1;
  std::vector<std::string> sounds;  // paths relative to the program folder
  bool recordSoundsOnly = true;     // false: sounds go through the real wave player
  std::uint32_t fixedTimeOfDayMs = 0;

 protected:
  void playWaveFile(const std::string& path) override;
  std::uint32_t timeOfDayMs() const override { return fixedTimeOfDayMs; }
};

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A program folder with the frames named (e.g. "m1.jpg") as small JPEGs.
  void writeFrames(const std::vector<std::string>& names);
  void writeFile(const std::string& relative, const std::string& content);
  RecordingForm& createForm();
  // Shows the form, which activates it, and serves events until condition holds.
  bool serveUntil(const std::function<bool()>& condition, int timeoutMs);
  std::vector<std::string> messageTexts() const;

  std::filesystem::path folder;
  TAppSupport appSupport;
  FakePlatform platform;
  std::unique_ptr<RecordingForm> form;
  std::vector<Application::MessageRequest> messages;

 private:
  std::filesystem::path previousDirectory_;
  Application::MessageHandler previousHandler_;
};

}  // namespace tov::test
