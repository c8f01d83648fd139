#include "mainmenu/menu_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <algorithm>
#include <fstream>

#include "imaging/graphic.h"

namespace tov::test {

void RecordingForm::playWaveFile(const std::string& path) {
  sounds.push_back(path.substr(programFolder.size()));
  if (!recordSoundsOnly) TForm1::playWaveFile(path);
}

void MenuTest::SetUp() {
  registerBuiltInGraphicKinds();
  Application::setTitle(kApplicationTitle);
  // A display already at the menu's size: no switch and no message, unless a test says so.
  platform.display.caps = DeviceCaps{60, 800, 600, 32};
  previousDirectory_ = std::filesystem::current_path();
  // A parameterised test's name holds a slash; as a folder name it would leave its parent
  // folder behind in the temporary folder after every run.
  std::string testName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(testName.begin(), testName.end(), '/', '-');
  folder = std::filesystem::temp_directory_path() / ("tovaleer-menu-" + std::to_string(::getpid()) + "-" + testName);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "menu");
  std::filesystem::current_path(folder);
  previousHandler_ = Application::setMessageHandler([this](const Application::MessageRequest& request) {
    messages.push_back(request);
    return ModalResult::mrOk;
  });
}

void MenuTest::TearDown() {
  form.reset();
  Application::setMessageHandler(previousHandler_);
  std::filesystem::current_path(previousDirectory_);
  std::filesystem::remove_all(folder);
}

void MenuTest::writeFrames(const std::vector<std::string>& names) {
  int shade = 40;
  for (const std::string& name : names) {
    // Small frames keep the tests fast; the form takes a frame's size whatever it is.
    QImage image(80, 60, QImage::Format_RGB32);
    image.fill(QColor(shade, 100, 200 - shade));
    shade = (shade + 20) % 200;
    ASSERT_TRUE(image.save(QString::fromStdString((folder / "menu" / name).string()), "JPG"));
  }
}

void MenuTest::writeFile(const std::string& relative, const std::string& content) {
  const auto path = folder / relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

RecordingForm& MenuTest::createForm() {
  form = std::make_unique<RecordingForm>(platform.services());
  return *form;
}

bool MenuTest::serveUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

std::vector<std::string> MenuTest::messageTexts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages) texts.push_back(m.text);
  return texts;
}

}  // namespace tov::test
