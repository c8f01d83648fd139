// png_seeds DIR: writes small PNGs of every colour type, depth, interlace and filter, with
// tRNS, gamma and text chunks, as the fuzzer's starting corpus.

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <png.h>

#include "png_testing.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::create_directories(argv[1]);
  const std::pair<int, int> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                       {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  int n = 0;
  for (auto [type, depth] : kinds)
    for (bool interlaced : {false, true}) {
      tov::test::PicturePlan plan;
      plan.colorType = type;
      plan.bitDepth = depth;
      plan.interlaced = interlaced;
      plan.width = 9 + n % 5;
      plan.height = 7 + n % 3;
      plan.filters = (n % 6 == 5) ? -1 : (PNG_FILTER_NONE << (n % 5));
      plan.idatBytes = n % 2 ? 8192 : 40;
      if (type == 3 && n % 3 == 0) plan.trns = tov::test::Bytes{0, 128, 255};
      if (type == 0 && depth >= 8) plan.trns = tov::test::Bytes{0, 7};
      if (n % 4 == 0) plan.gamma = 45000;
      if (n % 5 == 0) plan.texts = {{"Title", "seed"}, {"Comment", "zipped", true}};
      plan.time = n % 7 == 0;
      plan.seed = unsigned(n);
      const auto bytes = tov::test::writePng(plan);
      std::ofstream out(std::filesystem::path(argv[1]) / ("seed" + std::to_string(n++) + ".png"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
  return 0;
}
