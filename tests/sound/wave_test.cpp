// The wave against the fake output: what a load keeps or replaces, and that the output is
// always stopped before the bytes it may be playing change.

#include "sound/wave.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "doubles/fake_audio.h"

namespace tov {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void putCode(Bytes& bytes, std::size_t at, const char* code) {
  std::memcpy(bytes.data() + at, code, 4);
}
void put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = std::uint8_t(value);
  bytes[at + 1] = std::uint8_t(value >> 8);
}
void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(value >> (8 * i));
}

// A complete RIFF WAVE file of 8-bit mono samples; `fill` tells two images apart.
Bytes waveFile(std::uint16_t formatTag = 1, std::uint8_t fill = 0x80, std::size_t samples = 8) {
  Bytes b(44 + samples, fill);
  putCode(b, 0, "RIFF");
  put32(b, 4, std::uint32_t(b.size() - 8));
  putCode(b, 8, "WAVE");
  putCode(b, 12, "fmt ");
  put32(b, 16, 16);
  put16(b, 20, formatTag);
  put16(b, 22, 1);
  put32(b, 24, 8000);
  put32(b, 28, 8000);
  put16(b, 32, 1);
  put16(b, 34, 8);
  putCode(b, 36, "data");
  put32(b, 40, std::uint32_t(samples));
  return b;
}

Bytes prefix(std::size_t length) {
  Bytes b = waveFile();
  b.resize(length);
  return b;
}

Bytes withCode(std::size_t at, const char* code) {
  Bytes b = waveFile();
  putCode(b, at, code);
  return b;
}

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("tov_sound_test_" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string write(const std::string& name, const Bytes& bytes) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file(name);
  }

 private:
  fs::path path_;
};

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes bytesOf(const TWave& wave) { return Bytes(wave.Data().begin(), wave.Data().end()); }

std::string asString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class WaveTest : public ::testing::Test {
 protected:
  // A wave holding `previous`, with the fake's record cleared.
  void SetUp() override {
    wave.LoadFromFile(folder.write("previous.wav", previous));
    wave.OnChange = [this](TWave* sender) {
      EXPECT_EQ(sender, &wave);
      ++changes;
    };
    output.calls.clear();
  }

  TempFolder folder;
  test::FakeWaveOutput output;
  TWave wave{output};
  const Bytes previous = waveFile(1, 0x11);
  int changes = 0;
};

// What a load did: "loaded", "cleared", or the error's class and message.
std::string loadOutcome(TWave& wave, const std::string& path) {
  try {
    wave.LoadFromFile(path);
    return wave.Empty() ? "cleared" : "loaded";
  } catch (const Exception& e) {
    return std::string(e.className()) + ": " + e.message();
  }
}

TEST_F(WaveTest, LoadFromFileChecksTheHeaderAndKeepsThePreviousDataOnFailure) {
  const std::string tooShort = "EErrorCheckingWave: GetWaveData: ";
  const struct {
    const char* name;
    std::optional<Bytes> file;  // none: no file at all
    std::string outcome;        // what loadOutcome() begins with
  } cases[] = {
      {"missing file", std::nullopt, "EFOpenError: Cannot open file " + folder.file("case.wav")},
      {"0 bytes", Bytes{}, "cleared"},
      {"1 byte", prefix(1), tooShort},
      {"3 bytes", prefix(3), tooShort},
      {"4 bytes, not RIFF", Bytes{'R', 'I', 'F', 'X'}, "EInvalidWave"},
      {"RIFF in lower case", withCode(0, "riff"), "EInvalidWave"},
      {"not WAVE at 8", withCode(8, "AVI "), "EInvalidWave"},
      {"not fmt at 12", withCode(12, "data"), "EInvalidWave"},
      {"12 bytes, not WAVE", [] { Bytes b = withCode(8, "WAVX"); b.resize(12); return b; }(),
       "EInvalidWave"},
      {"ends after RIFF", prefix(4), tooShort},
      {"ends inside the RIFF size", prefix(6), tooShort},
      {"ends inside WAVE", prefix(10), tooShort},
      {"ends after WAVE", prefix(12), tooShort},
      {"ends after fmt", prefix(16), tooShort},
      {"ends inside the format tag", prefix(21), tooShort},
      {"ends at 33", prefix(33), tooShort},
      {"exactly 34 bytes", prefix(34), "loaded"},
      {"IEEE float format tag", waveFile(3), "loaded"},
      {"unknown format tag", waveFile(0xFFFE, 0x22, 0), "loaded"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    wave.LoadFromFile(folder.file("previous.wav"));
    output.calls.clear();
    changes = 0;
    const std::string path = folder.file("case.wav");
    if (c.file) folder.write("case.wav", *c.file); else fs::remove(path);

    const std::string outcome = loadOutcome(wave, path);
    EXPECT_EQ(outcome.rfind(c.outcome, 0), 0u) << outcome;
    if (c.outcome == "loaded" || c.outcome == "cleared") {
      EXPECT_EQ(bytesOf(wave), *c.file);
      EXPECT_EQ(changes, c.outcome == "loaded" ? 1 : 0);
      EXPECT_EQ(output.calls, std::vector<std::string>{"stop"});
    } else {
      // The previous sound stays, untouched and still playing.
      EXPECT_EQ(bytesOf(wave), previous);
      EXPECT_EQ(changes, 0);
      EXPECT_TRUE(output.calls.empty());
    }
    if (c.file && !c.file->empty()) {
      const WaveHeaderCheck expected = c.outcome == "loaded"     ? WaveHeaderCheck::Passed
                                       : c.outcome == "EInvalidWave" ? WaveHeaderCheck::CodeMismatch
                                                                     : WaveHeaderCheck::TooShort;
      EXPECT_EQ(checkWaveHeader(*c.file), expected);
    }
  }
  EXPECT_EQ(checkWaveHeader({}), WaveHeaderCheck::CodeMismatch);
}

TEST_F(WaveTest, AFolderOrAnOversizedFileIsRefusedBeforeAnythingIsRead) {
  fs::create_directories(folder.file("sub.wav"));
  EXPECT_THROW(wave.LoadFromFile(folder.file("sub.wav")), EFOpenError);

  // Sparse: costs no disk, and the size alone must stop the load.
  const std::string huge = folder.file("huge.wav");
  folder.write("huge.wav", waveFile());
  fs::resize_file(huge, kMaxWaveBytes + 1);
  EXPECT_THROW(wave.LoadFromFile(huge), EOutOfMemory);
  EXPECT_EQ(wave.Size(), previous.size());
}

TEST_F(WaveTest, ANewSoundStopsTheOldOneBeforeItsBytesChange) {
  std::vector<std::size_t> sizesAtStop;
  output.onStop = [&] { sizesAtStop.push_back(wave.Size()); };
  ASSERT_TRUE(wave.Play());
  const Bytes second = waveFile(1, 0x22, 100);
  wave.LoadFromFile(folder.write("second.wav", second));
  ASSERT_TRUE(wave.Play());
  wave.LoadFromFile(folder.write("empty.wav", {}));

  EXPECT_EQ(output.calls, (std::vector<std::string>{"play", "stop", "play", "stop"}));
  // Each stop saw the bytes that were playing, not the ones replacing them.
  EXPECT_EQ(sizesAtStop, (std::vector<std::size_t>{previous.size(), second.size()}));
  ASSERT_EQ(output.played.size(), 2u);
  EXPECT_EQ(output.played[0], previous);
  EXPECT_EQ(output.played[1], second);
  output.onStop = nullptr;  // the wave's destructor stops too, after sizesAtStop is gone
}

TEST_F(WaveTest, PlayNeedsDataAndAnOutputDevice) {
  EXPECT_TRUE(wave.Play());
  output.refusePlay = true;
  EXPECT_FALSE(wave.Play());  // a sound the output cannot decode: silence
  output.refusePlay = false;

  output.devices = 0;
  output.calls.clear();
  EXPECT_FALSE(wave.Play());
  EXPECT_TRUE(output.calls.empty());

  output.devices = 1;
  TWave empty(output);
  EXPECT_FALSE(empty.Play());
  EXPECT_EQ(output.played.size(), 1u);
}

TEST_F(WaveTest, DestructionAndStopStopTheOutput) {
  {
    TWave other(output);
    other.Stop();
  }
  EXPECT_EQ(output.calls, (std::vector<std::string>{"stop", "stop"}));
}

TEST_F(WaveTest, AssignCopiesTheSourceBytesAndANullSourceClears) {
  TWave source(output);
  const Bytes sourceBytes = waveFile(1, 0x33, 20);
  source.LoadFromFile(folder.write("source.wav", sourceBytes));
  output.calls.clear();

  wave.Assign(&source);
  EXPECT_EQ(bytesOf(wave), sourceBytes);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(output.calls, std::vector<std::string>{"stop"});

  wave.Assign(&wave);
  EXPECT_EQ(bytesOf(wave), sourceBytes);

  output.calls.clear();
  changes = 0;
  wave.Assign(nullptr);
  EXPECT_TRUE(wave.Empty());
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(output.calls, std::vector<std::string>{"stop"});
  EXPECT_EQ(source.Size(), sourceBytes.size());
}

TEST_F(WaveTest, WaveCompCopiesIntoItsOwnWave) {
  TWaveComp comp(output);
  comp.setWave(wave);
  EXPECT_EQ(bytesOf(comp.Wave()), previous);
  EXPECT_NE(comp.Wave().Data().data(), wave.Data().data());
  output.calls.clear();
  comp.setWave(comp.Wave());  // its own wave: an equal value, nothing happens
  EXPECT_TRUE(output.calls.empty());
}

TEST_F(WaveTest, DataPropertyRoundTrip) {
  std::stringstream stored;
  wave.WriteData(stored);
  stored << "next property";
  const std::string text = stored.str();
  ASSERT_EQ(text.size(), 4 + previous.size() + 13);
  EXPECT_EQ(text.substr(0, 4), std::string("\x34\x00\x00\x00", 4));  // 52, little-endian

  TWave copy(output);
  copy.ReadData(stored);
  EXPECT_EQ(bytesOf(copy), previous);
  std::string rest;
  std::getline(stored, rest);
  EXPECT_EQ(rest, "next property");  // the stream stands right after the data

  std::stringstream emptyData;
  TWave(output).WriteData(emptyData);
  EXPECT_EQ(emptyData.str(), std::string(4, '\0'));
  copy.ReadData(emptyData);
  EXPECT_TRUE(copy.Empty());
}

TEST_F(WaveTest, ADataLengthTheStreamDoesNotHoldIsAReadError) {
  const Bytes image = waveFile(1, 0x55);
  const struct {
    const char* name;
    std::string stored;
  } cases[] = {
      {"length cut short", std::string("\x2c\x00", 2)},
      {"length beyond the bytes", std::string("\xe8\x03\x00\x00", 4) + asString(image)},
      {"largest length", std::string("\xff\xff\xff\xff", 4) + asString(image)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream stored(c.stored);
    EXPECT_THROW(wave.ReadData(stored), EReadError);
    EXPECT_EQ(bytesOf(wave), previous);
    EXPECT_TRUE(output.calls.empty());
  }
}

TEST_F(WaveTest, LoadFromStreamTakesTheRestOfTheStream) {
  const Bytes image = waveFile(1, 0x66);
  std::istringstream stream("skip" + asString(image));
  stream.seekg(4);
  wave.LoadFromStream(stream);
  EXPECT_EQ(bytesOf(wave), image);
  EXPECT_TRUE(stream.good());

  std::istringstream notWave("RIFX" + asString(image).substr(4));
  EXPECT_THROW(wave.LoadFromStream(notWave), EInvalidWave);
  EXPECT_EQ(bytesOf(wave), image);

  std::istringstream failed("RIFF");
  failed.setstate(std::ios::failbit);
  EXPECT_THROW(wave.LoadFromStream(failed), EReadError);
  EXPECT_EQ(bytesOf(wave), image);

  std::istringstream atEnd("abc");
  atEnd.seekg(3);
  wave.LoadFromStream(atEnd);
  EXPECT_TRUE(wave.Empty());
}

TEST_F(WaveTest, SaveWritesExactlyTheBytes) {
  const std::string path = folder.write("target.wav", Bytes(500, 0xAA));  // longer: truncated
  wave.SaveToFile(path);
  EXPECT_EQ(readFile(path), previous);

  std::ostringstream stream;
  wave.SaveToStream(stream);
  EXPECT_EQ(stream.str(), asString(previous));

  const std::string unreachable = folder.file("no folder/x.wav");
  try {
    wave.SaveToFile(unreachable);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.message(), "Cannot create file " + unreachable);
  }
}

}  // namespace
}  // namespace tov
