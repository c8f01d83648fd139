// The advertisement screen: its components as the form builds them, the set-up for each
// language and for missing pictures, and how its modal showing ends.
#include "advert/advertform.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <string>
#include <vector>

#include "../imaging/jpeg_samples.h"
#include "advert/assets.h"
#include "imaging/pngreader.h"
#include "ui/cursors.h"
#include "ui/qt/qt_access.h"

namespace tov::test {
namespace {

constexpr Color kAfrikaansBackground = 0x3060C0;
constexpr Color kEnglishBackground = 0xC06030;

// A program folder with the advertisement pictures that a case asks for. The advertisements
// differ in size by language so a test can tell which one was loaded.
struct ProgramFolder {
  QTemporaryDir dir;
  std::string path() const { return dir.path().toStdString() + "/"; }
  void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(path() + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  void add(const std::string& name) const {
    if (name == "add_A.jpg") write(name, solidJpeg(300, 900, 0x808080));
    if (name == "add_E.jpg") write(name, solidJpeg(700, 1200, 0x808080));
    if (name == "addback_A.jpg") write(name, solidJpeg(800, 600, kAfrikaansBackground));
    if (name == "addback_E.jpg") write(name, solidJpeg(800, 600, kEnglishBackground));
  }
};

TEST(AdvertForm, ComponentsAsTheFormBuildsThem) {
  Tadvertform form(0, "/nowhere/");
  EXPECT_EQ(form.Caption(), "advertform");
  EXPECT_EQ(form.Width(), 790);
  EXPECT_EQ(form.Height(), 564);
  EXPECT_EQ(form.color(), Color(0xF0F0F0));
  const std::vector<TControl*> stacking{&form.bground, &form.Image1, &form.exitbut};
  EXPECT_EQ(form.controls(), stacking);
  EXPECT_EQ(form.bground.bounds(), (Rect{0, 0, 800, 600}));
  EXPECT_TRUE(form.bground.picture().empty());
  EXPECT_EQ(form.Image1.bounds(), (Rect{723, 534, 800, 602}));
  EXPECT_TRUE(form.Image1.picture().graphic()->transparent());

  EXPECT_EQ(form.exitbut.bounds(), (Rect{738, 546, 787, 595}));
  EXPECT_EQ(form.exitbut.Cursor(), crHand);
  EXPECT_EQ(form.exitbut.Hint(), "Gaan Terug");
  EXPECT_TRUE(form.exitbut.ShowHint());
  EXPECT_TRUE(form.exitbut.EnableBut());
  EXPECT_TRUE(form.exitbut.EnableButMove());
  EXPECT_TRUE(form.exitbut.PicDisabled().empty());
  EXPECT_EQ(form.exitbut.picture().saveToStored(), form.exitbut.PicFrom().saveToStored()) << "starts at rest";
  EXPECT_NE(form.exitbut.PicTo().saveToStored(), form.exitbut.PicFrom().saveToStored());
  EXPECT_NE(form.exitbut.PicDown().saveToStored(), form.exitbut.PicTo().saveToStored());

  EXPECT_EQ(qt::widgetOf(form.adviewer)->geometry(), QRect(77, 64, 642, 475));
  EXPECT_EQ(form.adviewer.color(), Color(0xFFFFFF));
  EXPECT_EQ(form.adviewer.scrollBarColor(), Color(0x008000));
  EXPECT_EQ(form.adviewer.handleColor(), Color(0x00FFFF));
  EXPECT_TRUE(form.adviewer.showHandleGrip());
  EXPECT_EQ(form.adviewer.scrollBarSize(), 0);
  EXPECT_EQ(form.adviewer.increment(), 8);
  EXPECT_FALSE(form.closetimer.Enabled());
  EXPECT_EQ(form.closetimer.Interval(), 200u);
}

TEST(AdvertForm, StoredPicturesArePngWithAlphaGammaAndText) {
  const struct {
    std::string_view name;
    std::uint32_t width, height;
  } pictures[] = {{advert_assets::kImage1, 77, 68},
                  {advert_assets::kExitNormal, 49, 49},
                  {advert_assets::kExitHover, 49, 49},
                  {advert_assets::kExitPressed, 49, 49}};
  for (const auto& expected : pictures) {
    SCOPED_TRACE(std::string(expected.name));
    Picture picture;
    picture.loadFromStored(advert_assets::embeddedFile(expected.name));
    const auto* png = dynamic_cast<const TPngPicture*>(picture.graphic());
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->header().width(), expected.width);
    EXPECT_EQ(png->header().height(), expected.height);
    EXPECT_EQ(png->header().bitDepth(), 8);
    EXPECT_EQ(png->header().colorType(), 6) << "truecolour with alpha";
    ASSERT_NE(png->findChunk<TChunkgAMA>(), nullptr);
    EXPECT_EQ(png->findChunk<TChunkgAMA>()->gamma(), 45000u);
    ASSERT_NE(png->findChunk<TChunktEXt>(), nullptr);
    EXPECT_FALSE(png->findChunk<TChunktEXt>()->text().empty());
  }
}

TEST(AdvertForm, SetUpByLanguageAndMissingPictures) {
  const struct {
    const char* name;
    int language;
    std::vector<std::string> files;
    bool closesItself;
    int advertWidth;  // 0: nothing loaded into the view
    Color background; // 0: no background picture
    std::string hint;
  } cases[] = {
      {"Afrikaans", 1, {"add_A.jpg", "addback_A.jpg", "add_E.jpg", "addback_E.jpg"}, false, 300, kAfrikaansBackground, "Gaan uit"},
      {"English", 2, {"add_A.jpg", "addback_A.jpg", "add_E.jpg", "addback_E.jpg"}, false, 700, kEnglishBackground, "Exit"},
      {"no language chosen yet: English", 0, {"add_A.jpg", "addback_A.jpg", "add_E.jpg", "addback_E.jpg"}, false, 700, kEnglishBackground, "Exit"},
      {"missing advertisement", 1, {"addback_A.jpg", "add_E.jpg", "addback_E.jpg"}, true, 0, 0, "Gaan Terug"},
      {"missing background", 2, {"add_E.jpg", "addback_A.jpg"}, true, 700, 0, "Gaan Terug"},
      {"nothing at all", 2, {}, true, 0, 0, "Gaan Terug"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramFolder folder;
    for (const std::string& file : c.files) folder.add(file);
    Tadvertform form(c.language, folder.path());
    form.LoadAdvertPictures();
    EXPECT_EQ(form.closetimer.Enabled(), c.closesItself);
    EXPECT_EQ(form.adviewer.bitmap().width(), c.advertWidth);
    EXPECT_EQ(form.exitbut.Hint(), c.hint);
    if (c.background == 0) {
      EXPECT_TRUE(form.bground.picture().empty());
    } else {
      EXPECT_EQ(form.bground.bounds(), (Rect{0, 0, 800, 600}));
      Bitmap drawn(800, 600, PixelFormat::pf32bit);
      form.paintControls(drawn, Rect{0, 0, 800, 600});
      EXPECT_TRUE(nearColour(drawn.pixel(400, 20), c.background));
    }
    if (c.advertWidth != 0) {
      EXPECT_EQ(form.adviewer.scrollY(), 0.0) << "starts at the top of the advertisement";
      EXPECT_EQ(form.adviewer.scrollX(), form.adviewer.horizontalAxis().centredPosition());
    }
  }
}

TEST(AdvertForm, AnUndecodableAdvertisementPassesTheErrorOn) {
  ProgramFolder folder;
  folder.add("addback_E.jpg");
  folder.write("add_E.jpg", {'n', 'o', 't', ' ', 'J', 'P', 'E', 'G'});
  Tadvertform form(2, folder.path());
  EXPECT_THROW(form.LoadAdvertPictures(), EInvalidGraphic);
}

TEST(AdvertForm, ClosesItselfAfter200MsWhenAPictureIsMissing) {
  ProgramFolder folder;
  Tadvertform form(1, folder.path());
  form.setBounds(0, 0, 800, 600);
  form.LoadAdvertPictures();
  QElapsedTimer clock;
  clock.start();
  bool returned = false;
  QTimer::singleShot(5000, qt::widgetOf(form), [&] {
    if (!returned) form.Close();  // keeps a failing test from hanging
  });
  form.ShowModal();
  returned = true;
  EXPECT_GE(clock.elapsed(), 150) << "not at once: at the timer's tick";
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.closetimer.Enabled());
}

TEST(AdvertForm, TheExitButtonEndsTheModalShowing) {
  ProgramFolder folder;
  for (const char* file : {"add_E.jpg", "addback_E.jpg"}) folder.add(file);
  Tadvertform form(2, folder.path());
  form.setBounds(0, 0, 800, 600);
  form.LoadAdvertPictures();
  bool shownWhilePressed = false;
  QTimer::singleShot(50, qt::widgetOf(form), [&] {
    const QPointF at(760, 570);
    shownWhilePressed = form.Visible();
    QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(qt::widgetOf(form), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(qt::widgetOf(form), &release);
  });
  QTimer::singleShot(5000, qt::widgetOf(form), [&] { form.Close(); });
  QElapsedTimer clock;
  clock.start();
  form.ShowModal();
  EXPECT_TRUE(shownWhilePressed);
  EXPECT_LT(clock.elapsed(), 4000);
  EXPECT_FALSE(form.Visible());
}

TEST(AdvertForm, ClosedBeforeItIsShownReturnsAtOnce) {
  ProgramFolder folder;
  Tadvertform form(0, folder.path());
  form.LoadAdvertPictures();
  QTest::qWait(300);  // the caller served events: the close timer has ticked already
  QElapsedTimer clock;
  clock.start();
  form.ShowModal();
  EXPECT_LT(clock.elapsed(), 150);
  EXPECT_FALSE(form.Visible());
}

}  // namespace
}  // namespace tov::test
