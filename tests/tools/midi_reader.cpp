#include "midi_reader.h"

#include <stdexcept>
#include <string>

namespace tov::test {
namespace {

class Cursor {
 public:
  Cursor(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end)
      : bytes_(bytes), at_(begin), end_(end) {}

  bool atEnd() const { return at_ == end_; }
  std::size_t position() const { return at_; }

  std::uint8_t byte() {
    if (at_ >= end_) throw std::runtime_error("data ends early at " + std::to_string(at_));
    return bytes_[at_++];
  }
  std::uint32_t bigEndian(int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | byte();
    return value;
  }
  std::uint32_t variableLength() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const std::uint8_t group = byte();
      value = value << 7 | (group & 0x7F);
      if ((group & 0x80) == 0) return value;
    }
    throw std::runtime_error("variable-length quantity longer than four bytes");
  }
  std::vector<std::uint8_t> take(std::size_t count) {
    if (count > end_ - at_) throw std::runtime_error("data ends inside an event");
    std::vector<std::uint8_t> taken(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                                    bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
    at_ += count;
    return taken;
  }
  void expect(const char* tag) {
    for (const char* c = tag; *c; ++c)
      if (byte() != static_cast<std::uint8_t>(*c))
        throw std::runtime_error(std::string("expected chunk ") + tag);
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_;
  std::size_t end_;
};

std::size_t dataBytesOf(std::uint8_t status) {
  const std::uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

void readTrack(const std::vector<std::uint8_t>& bytes, Cursor& file, MidiFile& result) {
  file.expect("MTrk");
  const std::uint32_t length = file.bigEndian(4);
  const std::size_t begin = file.position();
  file.take(length);  // checks that the whole chunk is there
  Cursor track(bytes, begin, begin + length);
  std::vector<MidiEvent> events;
  std::uint32_t tick = 0;
  while (true) {
    tick += track.variableLength();
    const std::uint8_t status = track.byte();
    if (status < 0x80) throw std::runtime_error("running status or a stray data byte");
    if (status == 0xFF) {
      const std::uint8_t type = track.byte();
      const std::vector<std::uint8_t> payload = track.take(track.variableLength());
      if (type == 0x2F) {
        if (!payload.empty()) throw std::runtime_error("end-of-track with a payload");
        if (!track.atEnd()) throw std::runtime_error("bytes after end-of-track");
        break;
      }
      events.push_back({tick, status, type, payload});
    } else if (status >= 0xF0) {
      throw std::runtime_error("system event in a track");
    } else {
      events.push_back({tick, status, 0, track.take(dataBytesOf(status))});
    }
  }
  result.tracks.push_back(std::move(events));
  result.trackEnds.push_back(tick);
}

}  // namespace

std::uint32_t readVariableLength(const std::vector<std::uint8_t>& bytes, std::size_t& at) {
  Cursor cursor(bytes, at, bytes.size());
  const std::uint32_t value = cursor.variableLength();
  at = cursor.position();
  return value;
}

MidiFile readMidiFile(const std::vector<std::uint8_t>& bytes) {
  Cursor file(bytes, 0, bytes.size());
  file.expect("MThd");
  if (file.bigEndian(4) != 6) throw std::runtime_error("header length is not 6");
  MidiFile result;
  result.format = static_cast<int>(file.bigEndian(2));
  const std::uint32_t trackCount = file.bigEndian(2);
  result.division = static_cast<int>(file.bigEndian(2));
  for (std::uint32_t i = 0; i < trackCount; ++i) readTrack(bytes, file, result);
  if (!file.atEnd()) throw std::runtime_error("bytes after the last track");
  return result;
}

}  // namespace tov::test
