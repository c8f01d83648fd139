// Loading a MIDI piece for the music: the first of a player, which loads the sound font as
// well, against the ones after it, which the menu loads each time a piece ends (the goal:
// at most 0.2 of the first). For comparison, SDL_mixer's own MIDI loading (Mix_LoadMUS),
// which builds a synthesizer and parses the sound font anew for every piece, even while
// FluidSynth's sample cache holds the font's samples.
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sound_font.h"
#include "support/midi_file.h"

namespace {

// The pieces, made once; their maker also points SDL at a silent driver, so take them before
// the device is opened. A minute or so each, as long as the menu's own pieces: reading and
// checking the file is part of the load.
class Pieces {
 public:
  static constexpr int kCount = 4;

  Pieces() {
    // No sound leaves the machine; the device is opened all the same.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (int i = 0; i < kCount; ++i) {
      paths_.push_back(folder_.filePath(QString("piece%1.mid").arg(i)).toStdString());
      const auto notes = tov::test::risingNotes(240 + i, 250);
      tov::test::writeFile(paths_.back(), tov::test::midiFile(notes));
    }
  }
  const std::string& path(std::size_t i) const { return paths_[i % kCount]; }

 private:
  QTemporaryDir folder_;
  std::vector<std::string> paths_;
};

const Pieces& pieces() {
  static const Pieces instance;
  return instance;
}

void BM_LoadFirstMidi(benchmark::State& state) {
  const Pieces& files = pieces();
  for (auto _ : state) {
    state.PauseTiming();
    auto audio = std::make_unique<tov::SdlAudio>();
    state.ResumeTiming();
    audio->music().open(files.path(0));
    state.PauseTiming();
    audio.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadFirstMidi)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_LoadNextMidi(benchmark::State& state) {
  const Pieces& files = pieces();
  tov::SdlAudio audio;
  audio.music().open(files.path(0));
  std::size_t next = 1;
  for (auto _ : state) audio.music().open(files.path(next++));
}
BENCHMARK(BM_LoadNextMidi)->Unit(benchmark::kMillisecond);

void BM_SdlMixerLoadMusNext(benchmark::State& state) {
  const Pieces& files = pieces();
  tov::SdlAudio audio;  // the device, and a synthesizer that holds the sound font
  audio.music().open(files.path(0));
  Mix_Init(MIX_INIT_MID);
  Mix_SetSoundFonts(tov::sdl::findSoundFont().c_str());
  Mix_Music* previous = nullptr;
  std::size_t next = 1;
  for (auto _ : state) {
    Mix_Music* music = Mix_LoadMUS(files.path(next++).c_str());
    if (!music) {
      state.SkipWithError(Mix_GetError());
      break;
    }
    if (previous) Mix_FreeMusic(previous);
    previous = music;
  }
  if (previous) Mix_FreeMusic(previous);
}
BENCHMARK(BM_SdlMixerLoadMusNext)->Unit(benchmark::kMillisecond);

}  // namespace
