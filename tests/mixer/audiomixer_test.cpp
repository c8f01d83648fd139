// The audio mixer component against the fake mixer devices: which device it opens, the
// model it builds when lines and controls fail to read, its properties and its events.

#include "sound/audiomixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "doubles/fake_mixer.h"

namespace tov {
namespace {

using Calls = std::vector<std::string>;
using test::FakeMixerCard;
using test::FakeMixerDestination;
using test::FakeMixerLine;
using test::FakeMixerSystem;

MixerControl control(std::uint32_t id, MixerControlKind kind = MixerControlKind::Volume,
                     std::uint32_t channels = 1, std::int64_t maximum = 100) {
  MixerControl c;
  c.controlId = id;
  c.kind = kind;
  c.name = "control " + std::to_string(id);
  c.maximum = maximum;
  c.channels = channels;
  return c;
}

FakeMixerLine source(std::uint32_t destination, std::uint32_t number, std::uint32_t lineId,
                     const std::string& name, std::vector<MixerControl> controls) {
  FakeMixerLine s;
  s.line = MixerLine{destination, number, lineId, 0, std::uint32_t(controls.size()), 2, name};
  s.controls = std::move(controls);
  return s;
}

FakeMixerDestination destination(std::uint32_t number, std::uint32_t lineId,
                                 const std::string& name, std::vector<FakeMixerLine> sources,
                                 std::vector<MixerControl> controls = {}) {
  FakeMixerDestination d;
  d.line = MixerLine{
      number, 0, lineId, std::uint32_t(sources.size()), std::uint32_t(controls.size()), 2, name};
  d.controls = std::move(controls);
  d.sources = std::move(sources);
  return d;
}

// Playback with a master volume and the sources Wave and CD; Capture with Mic.
FakeMixerCard soundCard(const std::string& name = "Card") {
  FakeMixerCard card;
  card.caps = MixerCaps{0, 7, 0x0105, name, 2};
  card.destinations = {
      destination(0, 0x0, "Playback",
                  {source(0, 0, 0x11, "Wave", {control(2), control(3, MixerControlKind::Switch)}),
                   source(0, 1, 0x12, "CD", {control(4)})},
                  {control(1)}),
      destination(1, 0x10000, "Capture", {source(1, 0, 0x10011, "Mic", {control(5)})}),
  };
  return card;
}

// A card that answers only for itself: opening it asks nothing but its capabilities.
FakeMixerCard bareCard() {
  FakeMixerCard card;
  card.caps.productName = "Bare";
  return card;
}

// "Playback(1)[Wave(2) CD(1)] Capture(0)[Mic(1)]": each line with its number of controls.
std::string describe(const TAudioMixer& mixer) {
  const TMixerDestinations* model = mixer.Destinations();
  if (!model) return "closed";
  std::string text;
  for (std::size_t d = 0; d < model->Count(); ++d) {
    const TMixerDestination& destination = model->Item(d);
    if (d > 0) text += " ";
    text += destination.Line().name + "(" + std::to_string(destination.Controls().Count()) + ")[";
    for (std::size_t s = 0; s < destination.Connections().Count(); ++s) {
      const TMixerConnection& connection = destination.Connections().Item(s);
      if (s > 0) text += " ";
      text += connection.Line().name + "(" + std::to_string(connection.Controls().Count()) + ")";
    }
    text += "]";
  }
  return text;
}

std::size_t countCalls(const Calls& calls, const std::string& prefix) {
  return std::size_t(std::count_if(calls.begin(), calls.end(), [&](const std::string& call) {
    return call.rfind(prefix, 0) == 0;
  }));
}

struct ModelCase {
  const char* name;
  std::function<void(FakeMixerCard&)> change;
  std::string model;
  std::size_t destinationQueries;
  std::size_t playbackSourceQueries;
};

TEST(AudioMixerTest, TheModelLeavesOutWhatCannotBeRead) {
  const std::string full = "Playback(1)[Wave(2) CD(1)] Capture(0)[Mic(1)]";
  const ModelCase cases[] = {
      {"every line readable", [](FakeMixerCard&) {}, full, 2, 2},
      {"an unreadable destination", [](FakeMixerCard& c) { c.destinations[0].unreadable = true; },
       "Capture(0)[Mic(1)]", 2, 0},
      {"more destinations announced than answered",
       [](FakeMixerCard& c) { c.caps.destinations = 4; }, full, 4, 2},
      {"an unreadable source",
       [](FakeMixerCard& c) { c.destinations[0].sources[0].unreadable = true; },
       "Playback(1)[CD(1)] Capture(0)[Mic(1)]", 2, 2},
      {"more sources announced than answered",
       [](FakeMixerCard& c) { c.destinations[0].line.connections = 5; }, full, 2, 5},
      {"unreadable controls of a source",
       [](FakeMixerCard& c) { c.destinations[0].sources[0].controlsUnreadable = true; },
       "Playback(1)[Wave(0) CD(1)] Capture(0)[Mic(1)]", 2, 2},
      {"unreadable controls of a destination",
       [](FakeMixerCard& c) { c.destinations[0].controlsUnreadable = true; },
       "Playback(0)[Wave(2) CD(1)] Capture(0)[Mic(1)]", 2, 2},
      {"controls other than announced",
       [](FakeMixerCard& c) { c.destinations[0].sources[1].line.controls = 3; },
       "Playback(1)[Wave(2) CD(0)] Capture(0)[Mic(1)]", 2, 2},
      {"no destinations", [](FakeMixerCard& c) { c.caps.destinations = 0; }, "", 0, 0},
      {"counts past belief are cut",
       [](FakeMixerCard& c) {
         c.caps.destinations = UINT32_MAX;
         c.destinations[0].line.connections = UINT32_MAX;
       },
       full, kMaxMixerDestinations, kMaxMixerConnections},
  };
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMixerSystem system;
    system.cards = {soundCard()};
    c.change(system.cards[0]);
    TAudioMixer mixer(system);
    EXPECT_EQ(mixer.MixerId(), 0);
    EXPECT_EQ(describe(mixer), c.model);
    EXPECT_EQ(countCalls(system.calls, "destination 0 "), c.destinationQueries);
    EXPECT_EQ(countCalls(system.calls, "source 0 0 "), c.playbackSourceQueries);
  }
}

TEST(AudioMixerTest, TheModelKeepsTheDevicesRecordsInTheirOrder) {
  FakeMixerSystem system;
  system.cards = {soundCard()};
  TAudioMixer mixer(system);
  const FakeMixerDestination& playback = system.cards[0].destinations[0];
  const TMixerDestination& destination = mixer.Destinations()->Item(0);
  EXPECT_EQ(destination.Line(), playback.line);
  EXPECT_EQ(destination.Controls().Item(0), playback.controls[0]);
  const TMixerConnection& wave = destination.Connections().Item(0);
  EXPECT_EQ(wave.Line(), playback.sources[0].line);
  ASSERT_EQ(wave.Controls().Count(), 2u);
  EXPECT_EQ(wave.Controls().Item(0), playback.sources[0].controls[0]);
  EXPECT_EQ(wave.Controls().Item(1), playback.sources[0].controls[1]);
  EXPECT_EQ(&wave.Mixer(), &mixer);
  EXPECT_EQ(&destination.Mixer(), &mixer);
  // Each destination's controls are asked for after its connections, as they are built.
  const Calls expected = {"count",        "open 0",          "caps 0",       "destination 0 0",
                          "source 0 0 0", "controls 0 17",   "source 0 0 1", "controls 0 18",
                          "controls 0 0", "destination 0 1", "source 0 1 0", "controls 0 65553"};
  EXPECT_EQ(system.calls, expected);
}

struct MixerIdCase {
  const char* name;
  std::size_t cards;
  int failingCard;  // -1: none
  std::vector<std::int32_t> writes;
  std::int32_t mixerId;
  Calls calls;  // from creation on
};

TEST(AudioMixerTest, WritingMixerIdClampsClosesAndReopens) {
  const MixerIdCase cases[] = {
      {"no card: nothing is ever opened", 0, -1, {0, 3, -1}, -1, {"count"}},
      {"creation opens the first device", 3, -1, {}, 0, {"count", "open 0", "caps 0"}},
      {"the first device fails at creation", 2, 0, {}, -1, {"count", "open 0"}},
      {"the last device",
       3,
       -1,
       {2},
       2,
       {"count", "open 0", "caps 0", "close 0", "open 2", "caps 2"}},
      {"past the last device opens the last",
       3,
       -1,
       {7},
       2,
       {"count", "open 0", "caps 0", "close 0", "open 2", "caps 2"}},
      {"far past the last device",
       3,
       -1,
       {INT32_MAX},
       2,
       {"count", "open 0", "caps 0", "close 0", "open 2", "caps 2"}},
      {"the same id opens the device again",
       3,
       -1,
       {0},
       0,
       {"count", "open 0", "caps 0", "close 0", "open 0", "caps 0"}},
      {"a negative id only closes", 3, -1, {-1}, -1, {"count", "open 0", "caps 0", "close 0"}},
      {"the most negative id", 3, -1, {INT32_MIN}, -1, {"count", "open 0", "caps 0", "close 0"}},
      {"closed, then opened again",
       3,
       -1,
       {-1, 1},
       1,
       {"count", "open 0", "caps 0", "close 0", "open 1", "caps 1"}},
      {"a failed open leaves it closed",
       3,
       1,
       {1},
       -1,
       {"count", "open 0", "caps 0", "close 0", "open 1"}},
      {"after a failed open the next id opens",
       3,
       1,
       {1, 2},
       2,
       {"count", "open 0", "caps 0", "close 0", "open 1", "open 2", "caps 2"}},
  };
  for (const MixerIdCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMixerSystem system;
    system.cards.assign(c.cards, bareCard());
    if (c.failingCard >= 0) system.cards[std::size_t(c.failingCard)].failsToOpen = true;
    {
      TAudioMixer mixer(system);
      for (std::int32_t id : c.writes) mixer.setMixerId(id);
      EXPECT_EQ(mixer.MixerId(), c.mixerId);
      EXPECT_EQ(mixer.Destinations() != nullptr, c.mixerId >= 0);
      EXPECT_EQ(system.calls, c.calls);
      EXPECT_EQ(system.openDevices(), c.mixerId >= 0 ? 1u : 0u);
    }
    EXPECT_EQ(system.openDevices(), 0u) << "destruction closes the device";
  }
}

TEST(AudioMixerTest, RewritingTheSameIdBuildsTheModelAgain) {
  FakeMixerSystem system;
  system.cards = {soundCard()};
  TAudioMixer mixer(system);
  system.cards[0].destinations[1].unreadable = true;  // the device changed meanwhile
  mixer.setMixerId(0);
  EXPECT_EQ(mixer.MixerId(), 0);
  EXPECT_EQ(describe(mixer), "Playback(1)[Wave(2) CD(1)]");
  EXPECT_EQ(countCalls(system.calls, "destination 0 0"), 2u);
}

struct PropertiesCase {
  std::uint16_t manufacturerId;
  std::string productName;
  std::uint32_t destinations;
  std::string manufacturer;
  std::string shownName;
  std::int32_t numberOfLine;
};

TEST(AudioMixerTest, PropertiesDescribeTheOpenDeviceOnly) {
  const PropertiesCase cases[] = {
      {1, "SB Live", 2, "Microsoft", "SB Live", 2},
      {0, "HDA Intel PCH", 2, "0 = Unknown", "HDA Intel PCH", 2},
      {65535, "USB Audio", 0, "65535 = Unknown", "USB Audio", 0},
      {2, std::string("Name\0rest", 9), 1, "2 = Unknown", "Name", 1},
      {3, "Odd", UINT32_MAX, "3 = Unknown", "Odd", INT32_MAX},
  };
  for (const PropertiesCase& c : cases) {
    SCOPED_TRACE(c.manufacturer);
    FakeMixerSystem system;
    system.cards = {bareCard()};
    system.cards[0].caps =
        MixerCaps{c.manufacturerId, 0x1234, 0x0502, c.productName, c.destinations};
    TAudioMixer mixer(system);
    EXPECT_EQ(mixer.Manufacturer(), c.manufacturer);
    EXPECT_EQ(mixer.ProductName(), c.shownName);
    EXPECT_EQ(mixer.NumberOfLine(), c.numberOfLine);
    EXPECT_EQ(mixer.ProductId(), 0x1234);
    EXPECT_EQ(mixer.DriverVersion(), 0x0502u);

    mixer.setMixerId(-1);
    EXPECT_EQ(mixer.Manufacturer(), "");
    EXPECT_EQ(mixer.ProductName(), "");
    EXPECT_EQ(mixer.NumberOfLine(), 0);
    EXPECT_EQ(mixer.ProductId(), 0);
    EXPECT_EQ(mixer.DriverVersion(), 0u);
  }
}

struct Raised {
  TAudioMixer* sender;
  std::int32_t mixerH;
  std::int32_t id;
  bool operator==(const Raised&) const = default;
};

struct EventCase {
  MixerChangeKind kind;
  std::uint32_t id;
  bool lineAssigned;
  bool controlAssigned;
  std::size_t lineRaised;
  std::size_t controlRaised;
};

TEST(AudioMixerTest, ChangesAreRaisedByKindWhenAssigned) {
  const EventCase cases[] = {
      {MixerChangeKind::Line, 17, true, true, 1, 0},
      {MixerChangeKind::Control, 5, true, true, 0, 1},
      {MixerChangeKind::Line, 17, false, true, 0, 0},
      {MixerChangeKind::Control, 5, true, false, 0, 0},
      {MixerChangeKind::Control, 5, false, false, 0, 0},
  };
  for (const EventCase& c : cases) {
    FakeMixerSystem system;
    system.cards = {bareCard()};
    TAudioMixer mixer(system);
    std::vector<Raised> lines;
    std::vector<Raised> controls;
    if (c.lineAssigned)
      mixer.OnLineChange = [&](TAudioMixer* s, std::int32_t h, std::int32_t id) {
        lines.push_back({s, h, id});
      };
    if (c.controlAssigned)
      mixer.OnControlChange = [&](TAudioMixer* s, std::int32_t h, std::int32_t id) {
        controls.push_back({s, h, id});
      };
    system.report(c.kind, c.id);
    const Raised expected{&mixer, system.lastHandle(), std::int32_t(c.id)};
    EXPECT_EQ(lines, std::vector<Raised>(c.lineRaised, expected));
    EXPECT_EQ(controls, std::vector<Raised>(c.controlRaised, expected));
  }
}

TEST(AudioMixerTest, OnlyTheOpenDeviceReportsAndItsHandleComesWithEachChange) {
  FakeMixerSystem system;
  system.cards = {bareCard(), bareCard()};
  std::vector<Raised> raised;
  {
    TAudioMixer mixer(system);
    mixer.OnControlChange = [&](TAudioMixer* s, std::int32_t h, std::int32_t id) {
      raised.push_back({s, h, id});
    };
    const std::int32_t first = system.lastHandle();
    mixer.setMixerId(1);
    const std::int32_t second = system.lastHandle();
    ASSERT_NE(first, second);
    system.report(MixerChangeKind::Control, UINT32_MAX);
    EXPECT_EQ(raised, (std::vector<Raised>{{&mixer, second, -1}}));
    mixer.setMixerId(-1);
    system.report(MixerChangeKind::Control, 1);
    EXPECT_EQ(raised.size(), 1u);
  }
  system.report(MixerChangeKind::Control, 1);
  EXPECT_EQ(raised.size(), 1u);
}

TEST(AudioMixerTest, AHandlerMayReopenTheMixerOrDropItselfWhileItRuns) {
  FakeMixerSystem system;
  system.cards = {soundCard(), soundCard()};
  TAudioMixer mixer(system);
  int calls = 0;
  mixer.OnLineChange = [&](TAudioMixer* sender, std::int32_t, std::int32_t) {
    ++calls;
    sender->setMixerId(1);  // closes the device whose report this is
    sender->OnLineChange = nullptr;
  };
  system.report(MixerChangeKind::Line, 0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(mixer.MixerId(), 1);
  EXPECT_EQ(describe(mixer), "Playback(1)[Wave(2) CD(1)] Capture(0)[Mic(1)]");
  EXPECT_EQ(system.openDevices(), 1u);
}

struct ValuesCase {
  const char* name;
  std::vector<std::int64_t> values;
  bool accepted;
};

TEST(AudioMixerTest, ValuesAreSentOnlyWhenTheyFitTheControl) {
  const MixerControl stereo = control(4, MixerControlKind::Volume, 2, 100);
  const ValuesCase cases[] = {
      {"one value for all channels", {50}, true},
      {"one value per channel", {10, 20}, true},
      {"the range's ends", {0, 100}, true},
      {"no value", {}, false},
      {"more values than channels", {1, 2, 3}, false},
      {"above the range", {101}, false},
      {"below the range", {5, -1}, false},
  };
  for (const ValuesCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeMixerSystem system;
    system.cards = {soundCard()};
    TAudioMixer mixer(system);
    system.calls.clear();
    EXPECT_EQ(mixer.setControlValues(stereo, c.values), c.accepted);
    EXPECT_EQ(system.calls.size(), c.accepted ? 1u : 0u);
    if (c.accepted) {
      EXPECT_EQ(mixer.controlValues(stereo), c.values);
    }
  }
}

TEST(AudioMixerTest, ValuesNeedAnOpenDeviceThatAccepts) {
  FakeMixerSystem system;
  system.cards = {soundCard()};
  system.cards[0].refusesValues = true;
  system.cards[0].values[4] = {30, 40};
  TAudioMixer mixer(system);
  const MixerControl stereo = control(4, MixerControlKind::Volume, 2);
  EXPECT_FALSE(mixer.setControlValues(stereo, std::vector<std::int64_t>{10}));
  EXPECT_EQ(mixer.controlValues(stereo), (std::vector<std::int64_t>{30, 40}));
  EXPECT_EQ(mixer.controlValues(control(99)), std::nullopt);
  mixer.setMixerId(-1);
  EXPECT_EQ(mixer.controlValues(stereo), std::nullopt);
  EXPECT_FALSE(mixer.setControlValues(stereo, std::vector<std::int64_t>{10}));
}

}  // namespace
}  // namespace tov
