// Program files told apart by their headers, with Windows images built here byte by byte:
// well-formed ones, damaged ones, and every truncation of their headers.

#include "platform/posix/program_kind.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "starter/starter_testing.h"

namespace tov::posix {
namespace {

constexpr std::uint16_t kPe32 = 0x10b;
constexpr std::uint16_t kPe32Plus = 0x20b;

void putLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
  if (bytes.size() < at + width) bytes.resize(at + width, '\0');
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xff);
}

struct Image {
  std::uint16_t magic = kPe32;
  std::uint32_t peOffset = 0x80;  // after a DOS stub, as linkers place it
  std::uint16_t optionalSize = 0xe0;
  bool peSignature = true;
};

// The DOS header, its stub, "PE\0\0", the COFF header and the optional header: exactly the
// headers that tell the kind, nothing after them.
std::string windowsImage(const Image& image) {
  std::string bytes(0x40, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  putLittleEndian(bytes, 0x3C, image.peOffset, 4);
  if (image.peOffset >= 0x40 && image.peOffset < 0x10000) {
    bytes.resize(image.peOffset, '\0');
    bytes += image.peSignature ? std::string("PE\0\0", 4) : std::string("NE\0\0", 4);
    const std::size_t coff = bytes.size();
    putLittleEndian(bytes, coff, image.magic == kPe32Plus ? 0x8664 : 0x14c, 2);  // machine
    putLittleEndian(bytes, coff + 16, image.optionalSize, 2);
    putLittleEndian(bytes, coff + 18, 0x0102, 2);  // executable image
    bytes.resize(coff + 20 + image.optionalSize, '\0');
    if (image.optionalSize >= 2) putLittleEndian(bytes, coff + 20, image.magic, 2);
  }
  return bytes;
}

struct Case {
  const char* name;
  friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
  std::string content;
  ProgramKind kind;
};

class ProgramKindOf : public ::testing::TestWithParam<Case> {};

TEST_P(ProgramKindOf, TellsTheKindFromTheHeaders) {
  test::ScratchFolder root;
  EXPECT_EQ(programKindOf(root.file("program", GetParam().content)), GetParam().kind);
}

std::string dosProgram() {
  std::string bytes = windowsImage({.peOffset = 0});
  bytes.resize(0x200, '\x90');
  return bytes;
}

std::string withTail(std::string bytes, std::size_t extra) { return bytes.append(extra, '\0'); }

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramKindOf,
    ::testing::Values(
        Case{"Pe32", windowsImage({}), ProgramKind::Windows32},
        Case{"Pe32Plus", windowsImage({.magic = kPe32Plus, .optionalSize = 0xf0}), ProgramKind::Windows64},
        Case{"Pe32WithSections", withTail(windowsImage({}), 4096), ProgramKind::Windows32},
        Case{"PeRightAfterTheDosHeader", windowsImage({.peOffset = 0x40}), ProgramKind::Windows32},
        Case{"DosProgram", dosProgram(), ProgramKind::NotRunnable},
        Case{"NewExecutable", windowsImage({.peSignature = false}), ProgramKind::NotRunnable},
        Case{"PeOffsetPastTheEnd", withTail(windowsImage({.peOffset = 0x7ffffff0}), 0x100),
             ProgramKind::NotRunnable},
        Case{"PeOffsetLargest", withTail(windowsImage({.peOffset = 0xffffffff}), 0x100),
             ProgramKind::NotRunnable},
        Case{"RomImageMagic", windowsImage({.magic = 0x107}), ProgramKind::NotRunnable},
        // What follows the COFF header belongs to no optional header, whatever it holds.
        Case{"NoOptionalHeader", withTail(windowsImage({.optionalSize = 0}) + "\x0b\x01", 0x100),
             ProgramKind::NotRunnable},
        Case{"Elf", std::string("\x7f" "ELF\x02\x01\x01", 7) + std::string(57, '\0'), ProgramKind::Native},
        Case{"Script", "#!/bin/sh\nexit 0\n", ProgramKind::Script},
        Case{"BareShebang", "#!", ProgramKind::Script},
        Case{"Empty", "", ProgramKind::NotRunnable},
        Case{"OneByte", "M", ProgramKind::NotRunnable},
        Case{"OnlyMz", "MZ", ProgramKind::NotRunnable},
        Case{"ShortElf", "\x7f" "EL", ProgramKind::NotRunnable},
        Case{"Text", "REM not a program\r\n", ProgramKind::NotRunnable}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(ProgramKindOfTruncated, ImageCutAnywhereInItsHeadersIsNotRunnable) {
  test::ScratchFolder root;
  for (const Image& image : {Image{}, Image{.magic = kPe32Plus, .optionalSize = 0xf0}}) {
    const std::string whole = windowsImage(image);
    for (std::size_t length = 0; length < whole.size(); ++length)
      EXPECT_EQ(programKindOf(root.file(std::to_string(image.magic) + "-" + std::to_string(length),
                                         whole.substr(0, length))),
                ProgramKind::NotRunnable)
          << "magic " << image.magic << ", cut at " << length << " of " << whole.size();
  }
}

TEST(ProgramKindOfOther, WhatIsNoRegularFileIsNotRunnable) {
  test::ScratchFolder root;
  const std::string fifo = root / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A FIFO that nobody writes to must not be waited on.
  EXPECT_EQ(programKindOf(fifo), ProgramKind::NotRunnable);
  EXPECT_EQ(programKindOf(root.folder("folder")), ProgramKind::NotRunnable);
  EXPECT_EQ(programKindOf(root / "missing"), ProgramKind::NotRunnable);
}

struct PathCase {
  const char* name;
  friend void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }
  std::string path;
  std::string folderForm;
  std::string fileForm;
};

class WindowsForm : public ::testing::TestWithParam<PathCase> {};

TEST_P(WindowsForm, IsThePathOnWinesRootDrive) {
  EXPECT_EQ(windowsPathForm(GetParam().path), GetParam().folderForm);
  EXPECT_EQ(windowsFileForm(GetParam().path), GetParam().fileForm);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WindowsForm,
    ::testing::Values(
        PathCase{"FolderWithSlash", "/srv/suite/", "Z:\\srv\\suite\\", "Z:\\srv\\suite\\"},
        PathCase{"FolderWithoutSlash", "/srv/My Suite", "Z:\\srv\\My Suite\\", "Z:\\srv\\My Suite"},
        PathCase{"Root", "/", "Z:\\", "Z:\\"},
        PathCase{"Program", "/srv/suite/report/report.exe", "Z:\\srv\\suite\\report\\report.exe\\",
                 "Z:\\srv\\suite\\report\\report.exe"},
        PathCase{"Unicode", "/home/zoë/Ê", "Z:\\home\\zoë\\Ê\\", "Z:\\home\\zoë\\Ê"},
        PathCase{"RelativeHasNoForm", "suite/", "", ""},
        PathCase{"Empty", "", "", ""}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tov::posix
