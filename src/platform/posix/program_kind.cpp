#include "platform/posix/program_kind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string_view>

namespace tov::posix {

namespace {

// The parts of a PE image that tell its kind, as offsets in the file.
constexpr std::uint64_t kDosHeaderSize = 0x40;
constexpr std::uint64_t kNewHeaderOffsetField = 0x3C;  // e_lfanew
constexpr std::uint64_t kPeSignatureSize = 4;
constexpr std::uint64_t kCoffHeaderSize = 20;
constexpr std::uint64_t kOptionalHeaderSizeField = 16;  // within the COFF header
constexpr std::uint64_t kOptionalMagicSize = 2;
constexpr std::uint16_t kPe32Magic = 0x10b;
constexpr std::uint16_t kPe32PlusMagic = 0x20b;

class OpenFile {
 public:
  explicit OpenFile(const std::string& path)
      // Non-blocking, so that a FIFO at the path is not waited on before it is refused.
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  // The size of the regular file, or -1 when it is no regular file or cannot be opened.
  std::int64_t regularSize() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return info.st_size;
  }

  // Exactly `count` bytes at `offset`, or an empty string when the file has fewer there.
  std::string readAt(std::uint64_t offset, std::size_t count) const {
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
      const ssize_t n = ::pread(fd_, bytes.data() + got, count - got, static_cast<off_t>(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return {};
      got += static_cast<std::size_t>(n);
    }
    return bytes;
  }

 private:
  int fd_;
};

std::uint32_t littleEndian(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

ProgramKind windowsKind(const OpenFile& file, std::uint64_t size) {
  const std::string dosHeader = file.readAt(0, kDosHeaderSize);
  if (dosHeader.empty()) return ProgramKind::NotRunnable;
  const std::uint64_t peOffset = littleEndian(dosHeader, kNewHeaderOffsetField, 4);
  // 64-bit sums of a 32-bit offset and small sizes cannot overflow.
  const std::uint64_t optionalOffset = peOffset + kPeSignatureSize + kCoffHeaderSize;
  if (optionalOffset > size) return ProgramKind::NotRunnable;
  const std::string headers = file.readAt(peOffset, kPeSignatureSize + kCoffHeaderSize);
  if (headers.empty() || std::string_view(headers).substr(0, 4) != std::string_view("PE\0\0", 4))
    return ProgramKind::NotRunnable;
  const std::uint64_t optionalSize =
      littleEndian(headers, kPeSignatureSize + kOptionalHeaderSizeField, 2);
  if (optionalSize < kOptionalMagicSize || optionalOffset + optionalSize > size)
    return ProgramKind::NotRunnable;
  const std::string magicBytes = file.readAt(optionalOffset, kOptionalMagicSize);
  if (magicBytes.empty()) return ProgramKind::NotRunnable;
  switch (littleEndian(magicBytes, 0, 2)) {
    case kPe32Magic: return ProgramKind::Windows32;
    case kPe32PlusMagic: return ProgramKind::Windows64;
    default: return ProgramKind::NotRunnable;
  }
}

std::string withBackslashes(const std::string& absolutePath) {
  std::string windows = "Z:" + absolutePath;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

}  // namespace

ProgramKind programKindOf(const std::string& path) {
  if (path.find('\0') != std::string::npos) return ProgramKind::NotRunnable;
  const OpenFile file(path);
  const std::int64_t size = file.regularSize();
  if (size < 2) return ProgramKind::NotRunnable;
  const std::string start = file.readAt(0, std::min<std::size_t>(4, static_cast<std::size_t>(size)));
  if (start.starts_with("\x7f" "ELF")) return ProgramKind::Native;
  if (start.starts_with("#!")) return ProgramKind::Script;
  if (start.starts_with("MZ")) return windowsKind(file, static_cast<std::uint64_t>(size));
  return ProgramKind::NotRunnable;
}

std::string windowsPathForm(const std::string& absoluteFolder) {
  if (!absoluteFolder.starts_with('/')) return {};
  std::string windows = withBackslashes(absoluteFolder);
  if (!windows.ends_with('\\')) windows += '\\';
  return windows;
}

std::string windowsFileForm(const std::string& absoluteFile) {
  if (!absoluteFile.starts_with('/')) return {};
  return withBackslashes(absoluteFile);
}

}  // namespace tov::posix
