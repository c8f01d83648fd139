#pragma once
// What the PNG reader's parts share among themselves; not for use outside imaging/.

#include <array>
#include <cstdint>

#include "imaging/pngreader.h"

namespace tov::png {

inline constexpr ChunkName kIHDR{'I', 'H', 'D', 'R'};
inline constexpr ChunkName kIDAT{'I', 'D', 'A', 'T'};
inline constexpr ChunkName kIEND{'I', 'E', 'N', 'D'};
inline constexpr ChunkName kPLTE{'P', 'L', 'T', 'E'};
inline constexpr ChunkName kgAMA{'g', 'A', 'M', 'A'};
inline constexpr ChunkName ktRNS{'t', 'R', 'N', 'S'};
inline constexpr ChunkName ktIME{'t', 'I', 'M', 'E'};
inline constexpr ChunkName ktEXt{'t', 'E', 'X', 't'};
inline constexpr ChunkName kzTXt{'z', 'T', 'X', 't'};
inline constexpr ChunkName kcHRM{'c', 'H', 'R', 'M'};

// The CRC of the PNG standard over a chunk's name and data.
std::uint32_t chunkCrc(const ChunkName& name, std::span<const std::uint8_t> data);

// Decodes the image data into the header's image. The stream stands at the data of the IDAT
// chunk whose length is `firstLength`; on return it stands after the CRC of the last IDAT
// chunk that was read. `transparency` is the tRNS chunk read so far, if any.
void decodeImageData(PngStream& stream, std::uint32_t firstLength, TChunkIHDR& header,
                     const std::array<std::uint8_t, 256>& gamma, const TChunktRNS* transparency);

void drawPicture(const TPngPicture& picture, Canvas& canvas, const Rect& dest);

// The bits a pixel takes in the image bitmap for a colour type and bit depth of the
// standard; 0 for a combination the standard does not have.
int bitmapBitsPerPixel(std::uint8_t colorType, std::uint8_t bitDepth);

}  // namespace tov::png
