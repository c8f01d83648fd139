// The ALSA mixer device over ALSA's real simple mixer, on a card made in the test process:
// the lines and controls it finds, the values it reads and refuses, and the change reports
// that come through the event loop.

#include "platform/alsa/alsa_mixer_device.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>
#include <string>
#include <vector>

#include "mixer/fake_alsa_control.h"
#include "sound/audiomixer.h"

namespace tov {
namespace {

using test::FakeAlsaControl;
using test::FakeAlsaElement;
using Values = std::vector<std::int64_t>;

std::vector<FakeAlsaElement> cardElements() {
  return {
      {"Master Playback Volume", SND_CTL_ELEM_TYPE_INTEGER, {60, 70}, 0, 87, {}},
      {"Master Playback Switch", SND_CTL_ELEM_TYPE_BOOLEAN, {1, 1}, 0, 1, {}},
      {"Mic Capture Volume", SND_CTL_ELEM_TYPE_INTEGER, {12}, 0, 31, {}},
      {"Channel Mode", SND_CTL_ELEM_TYPE_ENUMERATED, {0}, 0, 0, {"2ch", "4ch", "6ch"}},
  };
}

// One card: the fake control.
class FakeCardSystem : public IMixerSystem {
 public:
  explicit FakeCardSystem(FakeAlsaControl& control) : control_(control) {}
  int deviceCount() override { return 1; }
  std::unique_ptr<IMixerDevice> open(int device, MixerChangeHandler onChange) override {
    if (device != 0) return nullptr;
    return alsa::AlsaMixerDevice::attach(control_.open(), "Fake card", ++handles_,
                                         std::move(onChange));
  }

 private:
  FakeAlsaControl& control_;
  std::int32_t handles_ = 0;
};

// Serves the event loop until done() holds, for five seconds at most.
bool serveUntil(const std::function<bool()>& done) {
  QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return done();
}

const MixerControl& controlOf(const TAudioMixer& mixer, std::size_t destination, std::size_t source,
                              std::size_t control) {
  return mixer.Destinations()
      ->Item(destination)
      .Connections()
      .Item(source)
      .Controls()
      .Item(control);
}

TEST(AlsaMixerDeviceTest, ElementsBecomeSourcesOfTheirDirections) {
  FakeAlsaControl card(cardElements());
  FakeCardSystem system(card);
  TAudioMixer mixer(system);
  ASSERT_EQ(mixer.MixerId(), 0);
  EXPECT_EQ(mixer.ProductName(), "Fake card");
  EXPECT_EQ(mixer.NumberOfLine(), 2);
  EXPECT_EQ(mixer.Manufacturer(), "0 = Unknown");
  EXPECT_NE(mixer.DriverVersion(), 0u);

  std::vector<std::string> lines;
  for (std::size_t d = 0; d < mixer.Destinations()->Count(); ++d) {
    const TMixerDestination& destination = mixer.Destinations()->Item(d);
    EXPECT_EQ(destination.Controls().Count(), 0u);
    for (std::size_t s = 0; s < destination.Connections().Count(); ++s) {
      const TMixerConnection& source = destination.Connections().Item(s);
      std::string line = destination.Line().name + ": " + source.Line().name;
      for (std::size_t c = 0; c < source.Controls().Count(); ++c) {
        const MixerControl& control = source.Controls().Item(c);
        line += " [" + control.name + " " + std::to_string(control.minimum) + ".." +
                std::to_string(control.maximum) + " x" + std::to_string(control.channels) + "]";
      }
      lines.push_back(line);
    }
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Playback: Master [Master Volume 0..87 x2] [Master Switch 0..1 x2]",
                       "Playback: Channel Mode [Channel Mode 0..2 x1]",
                       "Capture: Mic [Mic Volume 0..31 x1]",
                   }));
  EXPECT_EQ(controlOf(mixer, 0, 1, 0).items, (std::vector<std::string>{"2ch", "4ch", "6ch"}));
}

struct ValuesCase {
  const char* name;
  std::size_t destination, source, control;
  Values written;
  bool accepted;
  const char* element;
  std::vector<long> stored;  // what the card holds afterwards
};

TEST(AlsaMixerDeviceTest, ValuesReachTheCardOnlyWhenTheyFit) {
  const ValuesCase cases[] = {
      {"one volume for both channels", 0, 0, 0, {50}, true, "Master Playback Volume", {50, 50}},
      {"a volume per channel", 0, 0, 0, {10, 20}, true, "Master Playback Volume", {10, 20}},
      {"the top of the range", 0, 0, 0, {87}, true, "Master Playback Volume", {87, 87}},
      // ALSA itself ignores this one and answers success.
      {"above the range", 0, 0, 0, {88}, false, "Master Playback Volume", {60, 70}},
      {"below the range", 0, 0, 0, {-1, 5}, false, "Master Playback Volume", {60, 70}},
      {"more values than channels", 0, 0, 0, {1, 2, 3}, false, "Master Playback Volume", {60, 70}},
      {"a switch turned off", 0, 0, 1, {0}, true, "Master Playback Switch", {0, 0}},
      {"a switch per channel", 0, 0, 1, {1, 0}, true, "Master Playback Switch", {1, 0}},
      {"a switch set to 2", 0, 0, 1, {2}, false, "Master Playback Switch", {1, 1}},
      {"an enumeration's last item", 0, 1, 0, {2}, true, "Channel Mode", {2}},
      {"past an enumeration's items", 0, 1, 0, {3}, false, "Channel Mode", {0}},
      {"a capture volume", 1, 0, 0, {31}, true, "Mic Capture Volume", {31}},
  };
  for (const ValuesCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAlsaControl card(cardElements());
    FakeCardSystem system(card);
    std::unique_ptr<IMixerDevice> device = system.open(0, [](const MixerChange&) {});
    ASSERT_NE(device, nullptr);
    const MixerLine source =
        *device->sourceLine(std::uint32_t(c.destination), std::uint32_t(c.source));
    const MixerControl control = device->lineControls(source.lineId)->at(c.control);
    EXPECT_EQ(device->setControlValues(control.controlId, c.written), c.accepted);
    EXPECT_EQ(card.element(c.element).values, c.stored);
    const Values expected(c.stored.begin(), c.stored.begin() + control.channels);
    EXPECT_EQ(device->controlValues(control.controlId), expected);
  }
}

TEST(AlsaMixerDeviceTest, AValueChangedElsewhereIsReportedForItsControlOnly) {
  FakeAlsaControl card(cardElements());
  FakeCardSystem system(card);
  TAudioMixer mixer(system);
  std::vector<std::int32_t> controls;
  std::vector<std::int32_t> handles;
  mixer.OnControlChange = [&](TAudioMixer*, std::int32_t handle, std::int32_t id) {
    controls.push_back(id);
    handles.push_back(handle);
  };
  card.change("Master Playback Volume", 1, 3);
  ASSERT_TRUE(serveUntil([&] { return !controls.empty(); }));
  const MixerControl& volume = controlOf(mixer, 0, 0, 0);
  EXPECT_EQ(controls, std::vector<std::int32_t>{std::int32_t(volume.controlId)});
  EXPECT_EQ(handles, std::vector<std::int32_t>{1});
  EXPECT_EQ(mixer.controlValues(volume), (Values{60, 3}));
}

TEST(AlsaMixerDeviceTest, AnElementTakenAwayChangesItsLineAndDestination) {
  FakeAlsaControl card(cardElements());
  FakeCardSystem system(card);
  TAudioMixer mixer(system);
  const std::int32_t mic =
      std::int32_t(mixer.Destinations()->Item(1).Connections().Item(0).Line().lineId);
  const std::int32_t capture = std::int32_t(mixer.Destinations()->Item(1).Line().lineId);
  std::vector<std::int32_t> lines;
  mixer.OnLineChange = [&](TAudioMixer*, std::int32_t, std::int32_t id) { lines.push_back(id); };
  card.remove("Mic Capture Volume");
  ASSERT_TRUE(serveUntil([&] { return lines.size() >= 2; }));
  EXPECT_EQ(lines, (std::vector<std::int32_t>{mic, capture}));
  mixer.setMixerId(0);
  EXPECT_EQ(mixer.Destinations()->Item(1).Connections().Count(), 0u);
}

TEST(AlsaMixerDeviceTest, AnUnpluggedCardIsReportedOnceAndNoLongerRead) {
  FakeAlsaControl card(cardElements());
  FakeCardSystem system(card);
  TAudioMixer mixer(system);
  const MixerControl volume = controlOf(mixer, 0, 0, 0);
  std::vector<std::int32_t> lines;
  mixer.OnLineChange = [&](TAudioMixer*, std::int32_t, std::int32_t id) { lines.push_back(id); };
  card.unplug();
  ASSERT_TRUE(serveUntil([&] { return lines.size() >= 2; }));
  // The descriptor stays readable: a device that went on watching it would spin here.
  QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
  EXPECT_EQ(lines.size(), 2u);
  EXPECT_EQ(mixer.controlValues(volume), std::nullopt);
}

TEST(AlsaMixerDeviceTest, AHandlerMayCloseOrReopenTheReportingDevice) {
  for (const std::int32_t written : {-1, 0}) {
    SCOPED_TRACE(written);
    FakeAlsaControl card(cardElements());
    FakeCardSystem system(card);
    TAudioMixer mixer(system);
    int reports = 0;
    mixer.OnControlChange = [&](TAudioMixer* sender, std::int32_t, std::int32_t) {
      ++reports;
      sender->setMixerId(written);
    };
    // Two changes in one batch: the second belongs to the device that the first closed.
    card.change("Master Playback Volume", 0, 1);
    card.change("Mic Capture Volume", 0, 2);
    ASSERT_TRUE(serveUntil([&] { return reports > 0; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(mixer.MixerId(), written);
    EXPECT_EQ(card.isOpen(), written == 0);
  }
}

}  // namespace
}  // namespace tov
