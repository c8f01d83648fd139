// One case per exception class, each made by patching a valid file (a byte changed, a chunk
// cut, a chunk moved) or by the operation that raises it; class and message word for word.

#include <gtest/gtest.h>

#include <functional>

#include "imaging/pngreader.h"
#include "png_testing.h"

namespace tov {
namespace {

using test::Bytes;
using test::RawChunk;

const std::string kQ = "\"Portable Network Graphics\"";

Bytes validFile() {
  test::PicturePlan plan;
  plan.colorType = 3;
  plan.bitDepth = 4;
  plan.gamma = 45000;
  plan.trns = Bytes{255, 0};
  return test::writePng(plan);
}

std::vector<RawChunk> validChunks() { return test::splitChunks(validFile()); }

std::vector<RawChunk>::iterator find(std::vector<RawChunk>& chunks, const std::string& name) {
  return std::find_if(chunks.begin(), chunks.end(), [&](const RawChunk& c) { return c.name == name; });
}

Bytes edited(const std::function<void(std::vector<RawChunk>&)>& edit) {
  auto chunks = validChunks();
  edit(chunks);
  return test::joinChunks(chunks);
}

Bytes withIhdrByte(std::size_t at, std::uint8_t value) {
  return edited([&](auto& chunks) { find(chunks, "IHDR")->data[at] = value; });
}

Bytes bigEndian(std::uint32_t v) { return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)}; }

struct ErrorCase {
  const char* name;
  std::function<void()> action;
  const char* className;
  std::string message;
};

void load(const Bytes& file) {
  TPngPicture picture;
  picture.loadFromMemory(file);
}

std::vector<ErrorCase> errorCases() {
  const std::string corrupt = "This " + kQ + " image is not valid because it contains invalid pieces of data (crc error)";
  const std::string unexpectedEnd =
      "This " + kQ + " image is invalid because the decoder found an unexpected end of the file.";
  const std::string invalidIhdr =
      "The " + kQ + " image could not be loaded because one of its main piece of data (ihdr) might be corrupted";
  const std::string invalidPalette = "The " + kQ + " image contains an invalid palette.";
  return {
      {"signature_byte_changed", [] {
         Bytes f = validFile();
         f[1] = 'Q';
         load(f);
       }, "EPNGInvalidFileHeader",
       "The file being readed is not a valid " + kQ +
           " image because it contains an invalid header. This file may be corruped, try obtaining it again."},
      {"shorter_than_the_signature", [] { load({137, 80, 78}); }, "EPNGInvalidFileHeader",
       "The file being readed is not a valid " + kQ +
           " image because it contains an invalid header. This file may be corruped, try obtaining it again."},
      {"no_chunk_after_the_image_data", [] {
         load(edited([](auto& chunks) { chunks.erase(find(chunks, "IEND")); }));
       }, "EPngUnexpectedEnd", unexpectedEnd},
      {"chunk_length_beyond_the_data", [] {
         Bytes f = validFile();
         f.resize(f.size() - 30);  // inside the IDAT chunk
         load(f);
       }, "EPngUnexpectedEnd", unexpectedEnd},
      {"chunk_length_of_4_gigabytes", [] {
         Bytes f = edited([](auto& chunks) { chunks.insert(find(chunks, "IDAT"), RawChunk{"teXt", {1, 2}}); });
         auto at = std::search(f.begin(), f.end(), std::begin("teXt"), std::begin("teXt") + 4) - f.begin();
         std::fill_n(f.begin() + (at - 4), 4, 0xFF);
         load(f);
       }, "EPngUnexpectedEnd", unexpectedEnd},
      {"gama_moved_before_the_header", [] {
         load(edited([](auto& chunks) { std::rotate(chunks.begin(), find(chunks, "gAMA"), find(chunks, "gAMA") + 1); }));
       }, "EPNGIHDRNotFirst",
       "This " + kQ + " image is not supported or it might be invalid.\r\n(IHDR chunk is not the first)"},
      {"unknown_critical_chunk", [] {
         load(edited([](auto& chunks) { chunks.insert(find(chunks, "IDAT"), RawChunk{"XYZW", {1}}); }));
       }, "EPNGUnknownCriticalChunk",
       "This " + kQ + " image contains an unknown critical part which could not be decoded."},
      {"palette_byte_changed", [] {
         load(edited([](auto& chunks) {
           auto plte = find(chunks, "PLTE");
           plte->crc = test::crcOf("PLTE", plte->data);
           plte->keepCrc = true;
           plte->data[4] ^= 1;
         }));
       }, "EPngInvalidCRC", corrupt},
      {"image_data_crc_changed", [] {
         load(edited([](auto& chunks) {
           auto idat = find(chunks, "IDAT");
           idat->crc = test::crcOf("IDAT", idat->data) ^ 0x100;
           idat->keepCrc = true;
         }));
       }, "EPngInvalidCRC", corrupt},
      {"header_cut_to_12_bytes", [] {
         load(edited([](auto& chunks) { find(chunks, "IHDR")->data.resize(12); }));
       }, "EPngInvalidIHDR", invalidIhdr},
      {"depth_the_colour_type_lacks", [] { load(withIhdrByte(8, 16)); }, "EPngInvalidIHDR", invalidIhdr},
      {"width_65536", [] {
         load(edited([](auto& chunks) {
           Bytes width = bigEndian(65536);
           std::copy(width.begin(), width.end(), find(chunks, "IHDR")->data.begin());
         }));
       }, "EPNGSizeExceeds",
       "This " + kQ +
           " image is not supported because either it's width or height exceeds the maximum size, which is 65535 "
           "pixels length."},
      {"compression_method_1", [] { load(withIhdrByte(10, 1)); }, "EPNGUnknownCompression",
       "This " + kQ + " image is encoded with an unknown compression scheme which could not be decoded."},
      {"interlace_method_2", [] { load(withIhdrByte(12, 2)); }, "EPNGUnknownInterlace",
       "This " + kQ + " image uses an unknown interlace scheme which could not be decoded."},
      {"palette_of_4_bytes", [] {
         load(edited([](auto& chunks) { find(chunks, "PLTE")->data.resize(4); }));
       }, "EPNGInvalidPalette", invalidPalette},
      {"palette_of_257_entries", [] {
         load(edited([](auto& chunks) { find(chunks, "PLTE")->data.resize(771, 7); }));
       }, "EPNGInvalidPalette", invalidPalette},
      {"transparency_of_257_bytes", [] {
         load(edited([](auto& chunks) { find(chunks, "tRNS")->data.resize(257, 255); }));
       }, "EPNGInvalidPalette", invalidPalette},
      {"text_chunk_between_image_data_chunks", [] {
         load(edited([](auto& chunks) {
           auto idat = find(chunks, "IDAT");
           RawChunk second{"IDAT", Bytes(idat->data.begin() + 10, idat->data.end())};
           idat->data.resize(10);
           chunks.insert(idat + 1, {RawChunk{"tEXt", {'a', 0, 'b'}}, second});
         }));
       }, "EPNGMissingMultipleIDAT", "This " + kQ + " image is invalid because it has missing image parts."},
      {"image_data_header_changed", [] {
         load(edited([](auto& chunks) { find(chunks, "IDAT")->data[0] = 0x79; }));
       }, "EPNGZLIBError",
       "Could not decompress the image because it contains invalid compressed data.\r\n Description: incorrect "
       "header check"},
      {"image_data_removed", [] {
         load(edited([](auto& chunks) { chunks.erase(find(chunks, "IDAT")); }));
       }, "EPNGNoImageData", "This " + kQ + " image contains no data."},
      {"header_of_an_empty_picture", [] {
         TPngPicture picture;
         picture.header();
       }, "EPNGHeaderNotPresent", "This operation is not valid because the current image contains no valid header."},
      {"palette_entry_beyond_the_count", [] {
         TPngPicture picture;
         picture.loadFromMemory(validFile());
         picture.findChunk<TChunkPLTE>()->item(16);
       }, "EPngError", "There is no such palette entry."},
      {"image_too_large_for_memory", [] {
         load(edited([](auto& chunks) {
           auto& ihdr = find(chunks, "IHDR")->data;
           for (std::size_t i : {0, 4}) std::copy_n(bigEndian(65535).begin(), 4, ihdr.begin() + i);
           ihdr[8] = 8;
           ihdr[9] = 6;
         }));
       }, "EPNGOutMemory",
       "Some operation could not be performed because the system is out of resources. Close some windows and try "
       "again."},
      {"width_set", [] {
         TPngPicture picture;
         picture.setWidth(3);
       }, "EPngError",
       "The " + kQ +
           " image can not be resize by changing width and height properties. Try assigning the image from a "
           "bitmap."},
      {"chunks_of_different_classes_assigned", [] {
         TPngPicture picture;
         TChunkgAMA gamma(picture, {'g', 'A', 'M', 'A'});
         TChunkIEND end(picture, {'I', 'E', 'N', 'D'});
         gamma.assign(end);
       }, "EPngError", "The chunks must be compatible to be assigned."},
  };
}

class ErrorTable : public testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTable, RaisesItsClassWithItsMessage) {
  try {
    GetParam().action();
    ADD_FAILURE() << "no error";
  } catch (const EPngError& e) {
    EXPECT_STREQ(e.className(), GetParam().className);
    EXPECT_EQ(e.message(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ErrorTable, testing::ValuesIn(errorCases()),
                         [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(ErrorTableBase, EveryPngErrorIsAnInvalidGraphic) {
  EXPECT_THROW(load({1, 2, 3}), EInvalidGraphic);
}

}  // namespace
}  // namespace tov
