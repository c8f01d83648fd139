#include "sound/wave.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <system_error>
#include <utility>

#include "platform/file_paths.h"

namespace tov {

namespace {

// The fields the header check reads, in the order it reads them; a code must match.
struct HeaderField {
  std::size_t offset;
  std::size_t size;
  const char* code;  // nullptr: read, not compared
};

constexpr std::array<HeaderField, 10> kHeaderFields{{
    {0, 4, "RIFF"},
    {4, 4, nullptr},  // RIFF chunk size
    {8, 4, "WAVE"},
    {12, 4, "fmt "},
    {16, 4, nullptr},  // format chunk size
    {20, 2, nullptr},  // format tag
    {22, 2, nullptr},  // channel count
    {24, 4, nullptr},  // sample rate
    {28, 4, nullptr},  // byte rate
    {32, 2, nullptr},  // block alignment
}};

// Streams are read in pieces of this size, so that a stated length the stream does not hold
// never costs more memory than the bytes that are really there.
constexpr std::size_t kReadPiece = 64 * 1024;

// Appends up to count bytes from the stream; returns how many were there.
std::size_t appendFromStream(std::istream& stream, std::vector<std::uint8_t>& bytes,
                             std::size_t count) {
  const std::size_t start = bytes.size();
  bytes.resize(start + count);
  stream.read(reinterpret_cast<char*>(bytes.data() + start), static_cast<std::streamsize>(count));
  const auto got = static_cast<std::size_t>(std::max<std::streamsize>(stream.gcount(), 0));
  bytes.resize(start + got);
  return got;
}

// A stream that has already failed (a file that never opened) holds nothing to load; taken
// as empty, it would silently clear the wave.
void requireReadable(std::istream& stream) {
  if (stream.fail()) throw EReadError(ErrorCode::StreamReadError);
}

// Exactly count bytes, or EReadError.
std::vector<std::uint8_t> readExactly(std::istream& stream, std::uint64_t count) {
  requireReadable(stream);
  std::vector<std::uint8_t> bytes;
  for (std::uint64_t left = count; left > 0;) {
    const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, kReadPiece));
    if (appendFromStream(stream, bytes, piece) < piece)
      throw EReadError(ErrorCode::StreamReadError);
    left -= piece;
  }
  return bytes;
}

// Everything from the stream's position to its end.
std::vector<std::uint8_t> readToEnd(std::istream& stream) {
  requireReadable(stream);
  std::vector<std::uint8_t> bytes;
  while (appendFromStream(stream, bytes, kReadPiece) == kReadPiece) {
    if (bytes.size() > kMaxWaveBytes) throw EOutOfMemory(ErrorCode::WaveTooLarge);
  }
  if (stream.bad()) throw EReadError(ErrorCode::StreamReadError);
  if (bytes.size() > kMaxWaveBytes) throw EOutOfMemory(ErrorCode::WaveTooLarge);
  // Reaching the end is what was asked for, not a failure the caller should find set.
  stream.clear(stream.rdstate() & ~(std::ios::eofbit | std::ios::failbit));
  return bytes;
}

std::vector<std::uint8_t> readWholeFile(const std::string& fileName) {
  namespace fs = std::filesystem;
  std::error_code error;
  // Only regular files: opening a folder succeeds on Linux, and a fifo would block.
  const fs::path path = pathOf(fileName);
  if (!fs::is_regular_file(fs::status(path, error)))
    throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  std::ifstream file(path, std::ios::binary);
  if (!file) throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) throw EFOpenError(ErrorCode::CannotOpenFile, fileName);
  if (size > kMaxWaveBytes) throw EOutOfMemory(ErrorCode::WaveTooLarge);

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const auto got = static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0));
  if (got < bytes.size()) {
    if (!file.eof()) throw EReadError(ErrorCode::FileReadError, fileName);
    bytes.resize(got);  // the file shrank after its size was taken
  }
  return bytes;
}

void writeBytes(std::ostream& stream, std::span<const std::uint8_t> bytes) {
  stream.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  if (!stream) throw EWriteError(ErrorCode::StreamWriteError);
}

}  // namespace

WaveHeaderCheck checkWaveHeader(std::span<const std::uint8_t> image) {
  if (image.empty()) return WaveHeaderCheck::CodeMismatch;
  for (const HeaderField& field : kHeaderFields) {
    if (image.size() < field.offset + field.size) return WaveHeaderCheck::TooShort;
    if (field.code && std::memcmp(image.data() + field.offset, field.code, field.size) != 0)
      return WaveHeaderCheck::CodeMismatch;
  }
  return WaveHeaderCheck::Passed;
}

TWave::TWave(IWaveOutput& output) : output_(output) {}

TWave::~TWave() { output_.stop(); }

std::unique_ptr<TWave> TWave::CreateFromFile(IWaveOutput& output, const std::string& fileName) {
  auto wave = std::make_unique<TWave>(output);
  wave->LoadFromFile(fileName);
  return wave;
}

void TWave::ReadData(std::istream& stream) {
  const std::vector<std::uint8_t> lengthBytes = readExactly(stream, 4);
  const std::uint32_t length = std::uint32_t(lengthBytes[0]) | std::uint32_t(lengthBytes[1]) << 8 |
                               std::uint32_t(lengthBytes[2]) << 16 |
                               std::uint32_t(lengthBytes[3]) << 24;
  loadImage(readExactly(stream, length));
}

void TWave::WriteData(std::ostream& stream) const {
  // Every load is capped at kMaxWaveBytes, so the size always fits the length field.
  const auto length = static_cast<std::uint32_t>(data_.size());
  const std::array<std::uint8_t, 4> lengthBytes{
      std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(length >> 16),
      std::uint8_t(length >> 24)};
  writeBytes(stream, lengthBytes);
  writeBytes(stream, data_);
}

void TWave::LoadFromFile(const std::string& fileName) { loadImage(readWholeFile(fileName)); }

void TWave::LoadFromStream(std::istream& stream) { loadImage(readToEnd(stream)); }

void TWave::SaveToFile(const std::string& fileName) const {
  std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
  if (!file) throw EFCreateError(ErrorCode::CannotCreateFile, fileName);
  file.write(reinterpret_cast<const char*>(data_.data()),
             static_cast<std::streamsize>(data_.size()));
  file.close();
  if (!file) throw EWriteError(ErrorCode::CannotWriteFile, fileName);
}

void TWave::SaveToStream(std::ostream& stream) const { writeBytes(stream, data_); }

bool TWave::Play() {
  if (Empty()) return false;
  if (output_.deviceCount() == 0) return false;
  return output_.play(data_);
}

void TWave::Stop() { output_.stop(); }

void TWave::Assign(const TWave* source) {
  if (!source) {
    clear();
    return;
  }
  // Copied before anything changes, so a wave assigned to itself keeps its bytes.
  replaceData(source->data_);
  changed();
}

void TWave::loadImage(std::vector<std::uint8_t> image) {
  if (image.empty()) {
    clear();
    return;
  }
  GetWaveData(image);
  replaceData(std::move(image));
  changed();
}

void TWave::GetWaveData(std::span<const std::uint8_t> image) {
  switch (checkWaveHeader(image)) {
    case WaveHeaderCheck::Passed:
      return;
    case WaveHeaderCheck::CodeMismatch:
      throw EInvalidWave(ErrorCode::InvalidWave);
    case WaveHeaderCheck::TooShort:
      throw EErrorCheckingWave(ErrorCode::WaveHeaderTruncated);
  }
}

void TWave::replaceData(std::vector<std::uint8_t> image) {
  output_.stop();
  data_.swap(image);  // the old bytes go with image, after the stop
}

void TWave::clear() { replaceData({}); }

void TWave::changed() {
  if (OnChange) OnChange(this);
}

void TWaveComp::setWave(const TWave& wave) {
  if (&wave == &wave_) return;
  wave_.Assign(&wave);
}

}  // namespace tov
