#include "platform/sdl/sdl_wave_output.h"

#include <algorithm>
#include <climits>

#include "platform/sdl/audio_device.h"

namespace tov::sdl {

SdlWaveOutput::~SdlWaveOutput() {
  stop();
  for (Decoded& entry : cache_) Mix_FreeChunk(entry.chunk);
}

bool SdlWaveOutput::play(std::span<const std::uint8_t> waveFile) {
  if (!device_.open()) return false;
  // A new request silences the sound in progress even when it cannot be played itself.
  stop();
  if (waveFile.empty() || waveFile.size() > std::size_t(INT_MAX)) return false;
  Mix_Chunk* chunk = decode(waveFile);
  return chunk && Mix_PlayChannel(kWaveChannel, chunk, 0) >= 0;
}

// The decoded chunk of waveFile, from the cache or decoded now. A chunk holds its own
// decoded (and converted) copy of the sound, and the cache its own copy of the file: the
// caller's memory is never read after play() returns.
Mix_Chunk* SdlWaveOutput::decode(std::span<const std::uint8_t> waveFile) {
  auto same = [&](const Decoded& entry) { return std::equal(entry.file.begin(), entry.file.end(), waveFile.begin(), waveFile.end()); };
  if (auto found = std::find_if(cache_.begin(), cache_.end(), same); found != cache_.end()) {
    cache_.splice(cache_.begin(), cache_, found);
    return cache_.front().chunk;
  }
  SDL_RWops* source = SDL_RWFromConstMem(waveFile.data(), int(waveFile.size()));
  if (!source) return nullptr;
  Mix_Chunk* chunk = Mix_LoadWAV_RW(source, 1);
  if (!chunk) return nullptr;
  cache_.push_front(Decoded{std::vector<std::uint8_t>(waveFile.begin(), waveFile.end()), chunk});
  evictBeyondLimit();
  return chunk;
}

// Only called with the channel halted, so no evicted chunk is still being mixed. The newest
// entry always stays, however large.
void SdlWaveOutput::evictBeyondLimit() {
  std::size_t bytes = 0;
  for (auto it = cache_.begin(); it != cache_.end();) {
    bytes += it->chunk->alen + it->file.size();
    if (it != cache_.begin() && bytes > kCacheBytes) {
      Mix_FreeChunk(it->chunk);
      it = cache_.erase(it);
    } else {
      ++it;
    }
  }
}

void SdlWaveOutput::stop() {
  // Halted, never freed here: a cached chunk is freed only when evicted or at the end.
  if (device_.isOpen()) Mix_HaltChannel(kWaveChannel);
}

}  // namespace tov::sdl
