#pragma once
// Short sounds played from memory: a wave holds a whole RIFF WAVE file, exactly as read, and
// hands that image to the wave output, which plays it while the caller goes on.
//
// Streams are the standard ones: the wave reads from a std::istream and writes to a
// std::ostream in binary, so a file, a string stream or a form description all serve.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/errors.h"

namespace tov {

// The data is not a RIFF WAVE file: one of its codes does not match.
TOV_DECLARE_ERROR(EInvalidWave, Exception);
// The data ends before the header check has read all it reads.
TOV_DECLARE_ERROR(EErrorCheckingWave, Exception);

enum class WaveHeaderCheck {
  Passed,
  CodeMismatch,  // also empty data: there is nothing to match
  TooShort,      // the codes match as far as the data reaches, but it ends before byte 34
};

// Checks the start of a wave file image: "RIFF" at 0, "WAVE" at 8, "fmt " at 12, and the
// format fields up to byte 33 present. The fields are not validated, so every encoding
// passes. A code is compared as soon as it can be read, so a mismatch wins over a short
// image. Never reads outside the span.
WaveHeaderCheck checkWaveHeader(std::span<const std::uint8_t> image);

// The largest wave the program holds: the length field of the stored "Data" property is
// 32 bits, and so is every RIFF size.
inline constexpr std::uint64_t kMaxWaveBytes = 0xFFFFFFFFu;

class TWave {
 public:
  // The output is shared with the rest of the program and must outlive the wave.
  explicit TWave(IWaveOutput& output);
  // Stops the sound in progress: the output must never play from freed memory.
  ~TWave();
  TWave(const TWave&) = delete;
  TWave& operator=(const TWave&) = delete;

  // A new wave loaded from the file; throws as LoadFromFile does.
  static std::unique_ptr<TWave> CreateFromFile(IWaveOutput& output, const std::string& fileName);

  // The stored "Data" property: a 32-bit little-endian length, then that many bytes, loaded
  // as LoadFromStream loads. A length that the stream does not hold raises EReadError.
  void ReadData(std::istream& stream);
  void WriteData(std::ostream& stream) const;

  // Reads the whole file. Missing, not a regular file or not openable: EFOpenError
  // "Cannot open file <name>". 0 bytes: the wave is cleared. Otherwise the bytes must pass
  // the header check: EInvalidWave or EErrorCheckingWave, and the previous data stays.
  void LoadFromFile(const std::string& fileName);
  // As LoadFromFile, with the bytes from the stream's position to its end.
  void LoadFromStream(std::istream& stream);
  // Creates or overwrites the file with the data bytes, nothing else.
  void SaveToFile(const std::string& fileName) const;
  void SaveToStream(std::ostream& stream) const;

  // Starts the sound and returns at once; false when empty, when there is no output device
  // or when the output cannot play it.
  bool Play();
  void Stop();

  bool Empty() const { return data_.empty(); }
  std::size_t Size() const { return data_.size(); }
  std::span<const std::uint8_t> Data() const { return data_; }

  // Copies the source's bytes without a header check; a null source clears the wave.
  void Assign(const TWave* source);

  // Raised after new data has been taken over (a load that passed, an Assign with a source).
  std::function<void(TWave* sender)> OnChange;

 private:
  // Steps shared by every load: clear on 0 bytes, check, then take the bytes over.
  void loadImage(std::vector<std::uint8_t> image);
  // Throws the error of a failed check.
  static void GetWaveData(std::span<const std::uint8_t> image);
  void replaceData(std::vector<std::uint8_t> image);
  void clear();
  void changed();

  IWaveOutput& output_;
  // The complete file image; the output may play from it, so it changes only after stop().
  std::vector<std::uint8_t> data_;
};

// The wave player component of a form: owns one wave for its whole life.
class TWaveComp {
 public:
  explicit TWaveComp(IWaveOutput& output) : wave_(output) {}

  TWave& Wave() { return wave_; }
  const TWave& Wave() const { return wave_; }
  // Copies the given wave's bytes into the owned one; giving the owned wave changes nothing.
  void setWave(const TWave& wave);

  void LoadFromFile(const std::string& fileName) { wave_.LoadFromFile(fileName); }
  void SaveToFile(const std::string& fileName) const { wave_.SaveToFile(fileName); }

 private:
  TWave wave_;
};

}  // namespace tov
