// Leaving through the exit buttons: goodbye, exit frame, advertisement screen, the end.
#include <QApplication>
#include <QImage>
#include <QTimer>

#include "advert/advertform.h"
#include "mainmenu/menu_fixture.h"
#include "ui/modality.h"

namespace tov::test {
namespace {

class ExitTest : public MenuTest {
 protected:
  void writeAdvert(const std::string& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    ASSERT_TRUE(image.save(QString::fromStdString((folder / name).string()), "JPG"));
  }
  RecordingForm& shownMenu() {
    writeFrames({"m1.jpg", "m13.jpg"});
    writeFile("Sounds-afr/m2.wav", "RIFF");
    writeFile("Sounds-eng/m2.wav", "RIFF");
    RecordingForm& menu = createForm();
    menu.Show();
    EXPECT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
    menu.animatetimer.setEnabled(false);
    menu.sounds.clear();
    return menu;
  }
  // Presses the advertisement screen's exit button once it is shown, noting its background.
  void leaveTheAdvertisementWhenShown() {
    QTimer::singleShot(300, [this] {
      if (auto* advert = dynamic_cast<Tadvertform*>(Modality::frontWindow()); advert && advert->Visible()) {
        advertWidth = advert->bground.picture().width();
        advert->exitbutClick(&advert->exitbut);
      }
    });
  }
  int advertWidth = 0;
};

TEST_F(ExitTest, FromTheLanguageScreenTheEnglishAdvertisementThenTheEnd) {
  writeAdvert("add_E.jpg", 300, 900);
  writeAdvert("addback_E.jpg", 800, 600);
  RecordingForm& menu = shownMenu();
  leaveTheAdvertisementWhenShown();
  menu.exitbutClick();
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"Sounds-eng/m2.wav"}));
  EXPECT_EQ(advertWidth, 800) << "the English background was shown";
  EXPECT_FALSE(menu.Visible()) << "the main window closes after the advertisement";
  EXPECT_TRUE(messages.empty());
}

TEST_F(ExitTest, FromTheMenuWithAfrikaansTheAfrikaansAdvertisement) {
  writeAdvert("add_A.jpg", 300, 900);
  writeAdvert("addback_A.jpg", 640, 600);
  RecordingForm& menu = shownMenu();
  menu.language = 1;
  menu.languageSoundsFolder = menu.programFolder + "Sounds-afr/";
  leaveTheAdvertisementWhenShown();
  menu.exitbutClick();
  EXPECT_EQ(menu.sounds, (std::vector<std::string>{"Sounds-afr/m2.wav"}));
  EXPECT_EQ(advertWidth, 640) << "the Afrikaans background was shown";
  EXPECT_FALSE(menu.Visible());
}

TEST_F(ExitTest, MissingAdvertisementPicturesCloseTheScreenByItself) {
  RecordingForm& menu = shownMenu();
  menu.exitbutClick();  // returns once the screen's own timer has closed it
  EXPECT_FALSE(menu.Visible());
  EXPECT_TRUE(messages.empty());
}

TEST_F(ExitTest, AnUndecodableAdvertisementIsReportedAndTheProgramStillEnds) {
  writeFile("add_E.jpg", "not a picture");
  writeAdvert("addback_E.jpg", 800, 600);
  RecordingForm& menu = shownMenu();
  menu.exitbutClick();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, MsgDlgType::mtError);
  EXPECT_FALSE(menu.Visible());
  form.reset();
  EXPECT_FALSE(platform.taskbar.hidden) << "the desktop is given back";
}

TEST_F(ExitTest, AMissingExitFrameEndsTheProgramWithoutTheAdvertisement) {
  writeAdvert("add_E.jpg", 300, 900);
  writeAdvert("addback_E.jpg", 800, 600);
  writeFrames({"m1.jpg"});
  RecordingForm& menu = createForm();
  menu.Show();
  ASSERT_TRUE(serveUntil([&] { return menu.currentFrame == 1; }, 2000));
  menu.animatetimer.setEnabled(false);
  bool looked = false;
  QObject context;
  // Looks for the advertisement once it could be up, and closes it so that the test ends.
  QTimer::singleShot(300, &context, [&] {
    if (auto* advert = dynamic_cast<Tadvertform*>(Modality::frontWindow()); advert && advert->Visible()) {
      advertWidth = advert->bground.picture().width();
      advert->exitbutClick(&advert->exitbut);
    }
    looked = true;
  });
  menu.exitbutClick();
  ASSERT_TRUE(serveUntil([&] { return looked; }, 5000));
  EXPECT_EQ(advertWidth, 0) << "no advertisement screen after the missing exit frame";
  EXPECT_EQ(messageTexts(), std::vector<std::string>{kMissingFrameMessage});
  EXPECT_FALSE(menu.Visible());
}

}  // namespace
}  // namespace tov::test
