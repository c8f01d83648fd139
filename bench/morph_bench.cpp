// The morphing button: one blend step against a memcpy of the same bytes, and the whole
// forward and backward morphs (251 frames at the menu's rate, each blended, painted at once
// and followed by the dispatch of pending events) for each size the menu gives its buttons.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstring>
#include <iterator>
#include <memory>

#include "components/morphblend.h"
#include "components/morphbutton.h"
#include "mainmenu/assets.h"
#include "ui/controlhost.h"

namespace {

struct MenuButton {
  const char* name;
  int width, height;
  const char* resting;
  const char* hover;
  bool stretch;
};

// The seven buttons have six sizes; exitbut2 and reportbut differ by one pixel.
const MenuButton kButtons[] = {
    {"exitbut 73x68", 73, 68, "morph_exit1.pic", "morph_exit2.pic", true},
    {"reportbut2 75x71", 75, 71, "morph_report1.pic", "morph_report2.pic", true},
    {"reportbut 58x53", 58, 53, "morph_report1.pic", "morph_report2.pic", true},
    {"exitbut2 57x52", 57, 52, "morph_exit1.pic", "morph_exit2.pic", true},
    {"MorphButton1 56x55", 56, 55, "morph_back1.pic", "morph_back2.pic", true},
    {"lefthandbut 47x37", 47, 37, "morph_left1.pic", "morph_left2.pic", false},
};
constexpr int kButtonCount = int(std::size(kButtons));

struct Buffers {
  tov::MorphBuffer display, work, target;
  explicit Buffers(const MenuButton& button) {
    for (tov::MorphBuffer* buffer : {&display, &work, &target}) buffer->setSize(button.width, button.height);
    for (std::size_t i = 0; i < work.byteCount(); ++i) {
      work.bits()[i] = std::uint8_t(i * 7);
      target.bits()[i] = std::uint8_t(i * 13 + 5);
    }
  }
};

void BM_BlendStep(benchmark::State& state) {
  const MenuButton& button = kButtons[state.range(0)];
  Buffers buffers(button);
  int weight = 0;
  for (auto _ : state) {
    weight = weight % 31 + 1;
    tov::blendMorphFrame(buffers.display.bits(), buffers.work.bits(), buffers.target.bits(),
                         buffers.display.byteCount(), weight);
    benchmark::ClobberMemory();
  }
  state.SetLabel(button.name);
  state.SetBytesProcessed(state.iterations() * std::int64_t(buffers.display.byteCount()));
}
BENCHMARK(BM_BlendStep)->DenseRange(0, kButtonCount - 1);

// The peer: the same number of bytes copied from one buffer to another.
void BM_MemcpySameBytes(benchmark::State& state) {
  const MenuButton& button = kButtons[state.range(0)];
  Buffers buffers(button);
  for (auto _ : state) {
    std::memcpy(buffers.display.bits(), buffers.work.bits(), buffers.display.byteCount());
    benchmark::ClobberMemory();
  }
  state.SetLabel(button.name);
  state.SetBytesProcessed(state.iterations() * std::int64_t(buffers.display.byteCount()));
}
BENCHMARK(BM_MemcpySameBytes)->DenseRange(0, kButtonCount - 1);

// A shown window holding one button set up as the main form sets it up.
struct ButtonOnScreen {
  tov::ControlHost window;
  std::unique_ptr<tov::TMorphButton> button;
  explicit ButtonOnScreen(const MenuButton& place) {
    window.setBounds(0, 0, place.width, place.height);
    button = std::make_unique<tov::TMorphButton>(window, place.name);
    button->setBounds(0, 0, place.width, place.height);
    button->setStretchToFit(place.stretch);
    button->setMorphRate(250);
    button->MorphPic1().loadFromStored(tov::assets::embeddedFile(place.resting));
    button->morphPicChanged();
    button->MorphPic2().loadFromStored(tov::assets::embeddedFile(place.hover));
    button->morphPicChanged();
    window.setVisible(true);
    QCoreApplication::processEvents();
  }
};

void BM_ForwardMorph(benchmark::State& state) {
  const MenuButton& place = kButtons[state.range(0)];
  ButtonOnScreen screen(place);
  for (auto _ : state) screen.button->forwardMorph();
  state.SetLabel(place.name);
}
BENCHMARK(BM_ForwardMorph)->DenseRange(0, kButtonCount - 1)->Unit(benchmark::kMillisecond);

void BM_BackwardMorph(benchmark::State& state) {
  const MenuButton& place = kButtons[state.range(0)];
  ButtonOnScreen screen(place);
  for (auto _ : state) screen.button->backwardMorph();
  state.SetLabel(place.name);
}
BENCHMARK(BM_BackwardMorph)->DenseRange(0, kButtonCount - 1)->Unit(benchmark::kMillisecond);

}  // namespace
