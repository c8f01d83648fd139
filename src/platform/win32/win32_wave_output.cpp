#include "platform/win32/win32_wave_output.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>

namespace tov::win32 {

namespace {

constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kRiffHeader = 12;  // "RIFF", its size, "WAVE"
// WAVEFORMAT and the PCM sample size; WAVEFORMATEX adds the length of what follows it.
constexpr std::size_t kShortestFormat = 16;
constexpr std::size_t kFormatWithLength = 18;

std::uint32_t readLe32(const std::uint8_t* at) {
  return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

void writeLe32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = std::uint8_t(value >> (8 * i));
}

bool isCode(const std::uint8_t* at, const char* code) { return std::memcmp(at, code, 4) == 0; }

// The format chunk's content as WAVEFORMATEX: its length field 0 when the chunk has none.
// Nothing when that field names more bytes than the chunk holds.
std::optional<std::vector<std::uint8_t>> formatOf(std::span<const std::uint8_t> chunk) {
  if (chunk.size() < kShortestFormat) return std::nullopt;
  std::vector<std::uint8_t> format(chunk.begin(), chunk.end());
  if (format.size() < kFormatWithLength) {
    format.resize(kFormatWithLength, 0);
  } else if (const std::size_t extra = std::size_t(format[16]) | std::size_t(format[17]) << 8;
             extra > format.size() - kFormatWithLength) {
    return std::nullopt;
  }
  return format;
}

// Whether a wave output device can play the format, through the system's converters too.
bool devicePlays(const std::vector<std::uint8_t>& format) {
  const auto* header = reinterpret_cast<const WAVEFORMATEX*>(format.data());
  return waveOutOpen(nullptr, WAVE_MAPPER, header, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
}

}  // namespace

std::optional<PlayableWave> playableWave(std::span<const std::uint8_t> waveFile) {
  if (waveFile.size() < kRiffHeader || waveFile.size() > 0xFFFFFFFFu) return std::nullopt;
  if (!isCode(waveFile.data(), "RIFF") || !isCode(waveFile.data() + 8, "WAVE")) return std::nullopt;
  std::vector<std::uint8_t> image(waveFile.begin(), waveFile.end());
  std::optional<std::vector<std::uint8_t>> format;
  for (std::size_t at = kRiffHeader; image.size() - at >= kChunkHeader;) {
    const std::size_t available = image.size() - at - kChunkHeader;
    const std::size_t length = readLe32(&image[at + 4]);
    if (isCode(&image[at], "data")) {
      if (!format) return std::nullopt;
      const std::size_t kept = std::min(length, available);
      writeLe32(&image[at + 4], std::uint32_t(kept));
      image.resize(at + kChunkHeader + kept);
      if (kept % 2 != 0) image.push_back(0);  // chunks start on even offsets
      writeLe32(&image[4], std::uint32_t(image.size() - kChunkHeader));
      return PlayableWave{std::move(image), std::move(*format)};
    }
    if (length > available) return std::nullopt;
    if (isCode(&image[at], "fmt ")) {
      format = formatOf(std::span(image).subspan(at + kChunkHeader, length));
      if (!format) return std::nullopt;
    }
    at += kChunkHeader + length + length % 2;
    if (at > image.size()) return std::nullopt;
  }
  return std::nullopt;
}

Win32WaveOutput::~Win32WaveOutput() { stop(); }

int Win32WaveOutput::deviceCount() { return int(waveOutGetNumDevs()); }

bool Win32WaveOutput::play(std::span<const std::uint8_t> waveFile) {
  // A new request silences the sound in progress even when it cannot be played itself.
  stop();
  if (deviceCount() == 0) return false;
  std::optional<PlayableWave> wave = playableWave(waveFile);
  // The player of an asynchronous sound finds out only later that it cannot play it, and
  // still answers TRUE: asked first, an unplayable format is told to the caller.
  if (!wave || !devicePlays(wave->format)) return false;
  playing_ = std::move(wave->image);
  if (PlaySoundW(reinterpret_cast<LPCWSTR>(playing_.data()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT))
    return true;
  playing_.clear();
  return false;
}

void Win32WaveOutput::stop() {
  // Returns once the player has let go of the image.
  PlaySoundW(nullptr, nullptr, 0);
  playing_.clear();
  playing_.shrink_to_fit();
}

}  // namespace tov::win32
