// The ALSA mixer devices on this machine, whatever sound cards it has (CI has none), and
// the numbering of their lines and controls.

#include "platform/alsa/alsa_mixer.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/alsa/mixer_ids.h"
#include "sound/audiomixer.h"

namespace tov {
namespace {

using alsa::ControlRef;
using alsa::Direction;
using alsa::LineRef;

TEST(AlsaMixerTest, TheMixerOpensTheFirstCardOrStaysClosedWithoutOne) {
  AlsaMixerSystem system;
  const int cards = system.deviceCount();
  ASSERT_GE(cards, 0);
  EXPECT_EQ(system.open(-1, {}), nullptr);
  EXPECT_EQ(system.open(cards, {}), nullptr);

  TAudioMixer mixer(system);
  mixer.setMixerId(0);  // as the form's stored MixerId is applied
  if (cards == 0) {
    EXPECT_EQ(mixer.MixerId(), -1);
    EXPECT_EQ(mixer.Destinations(), nullptr);
    EXPECT_EQ(mixer.ProductName(), "");
    EXPECT_EQ(mixer.NumberOfLine(), 0);
    return;
  }
  EXPECT_EQ(mixer.MixerId(), 0);
  EXPECT_EQ(mixer.NumberOfLine(), 2);
  ASSERT_NE(mixer.Destinations(), nullptr);
  ASSERT_EQ(mixer.Destinations()->Count(), 2u);
  EXPECT_EQ(mixer.Destinations()->Item(0).Line().name, "Playback");
  EXPECT_EQ(mixer.Destinations()->Item(1).Line().name, "Capture");
}

// The device decodes every identifier it is handed: one that no line or control can have
// must not reach an element.
TEST(AlsaMixerTest, IdentifiersNameTheirLineAndControlAgainAndNothingElse) {
  const std::uint32_t last = alsa::kMaxElements - 1;
  EXPECT_EQ(alsa::decodeLineId(alsa::sourceLineId(Direction::Capture, last)),
            (LineRef{Direction::Capture, last}));
  EXPECT_EQ(alsa::decodeLineId(alsa::destinationLineId(Direction::Capture)),
            (LineRef{Direction::Capture, std::nullopt}));
  const std::uint32_t largest =
      alsa::controlId(Direction::Capture, last, MixerControlKind::Enumeration);
  EXPECT_EQ(alsa::decodeControlId(largest),
            (ControlRef{Direction::Capture, last, MixerControlKind::Enumeration}));
  EXPECT_LE(largest, std::uint32_t(INT32_MAX)) << "a change event carries it signed";

  for (std::uint32_t id : {2u << 16, 0xFFFFu << 16, UINT32_MAX})
    EXPECT_EQ(alsa::decodeLineId(id), std::nullopt) << id;
  const std::uint32_t noControls[] = {
      alsa::destinationLineId(Direction::Capture) << 2,       // a destination has no controls
      (alsa::sourceLineId(Direction::Playback, 3) << 2) | 3,  // no fourth kind
      (2u << 18) | 4,                                         // no third direction
      UINT32_MAX};
  for (std::uint32_t id : noControls) EXPECT_EQ(alsa::decodeControlId(id), std::nullopt) << id;
}

}  // namespace
}  // namespace tov
