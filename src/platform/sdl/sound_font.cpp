#include "platform/sdl/sound_font.h"

#include <cstdlib>
#include <filesystem>

#include "platform/audio.h"

namespace tov::sdl {

namespace {
// TimGM6mb first: it is the font the program is built for, and at 6 MB it loads quickly.
// Debian's default-GM.sf2 is whatever font the system administrator chose.
constexpr const char* kCandidates[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",  "/usr/share/soundfonts/default.sf2",
    "/usr/share/soundfonts/TimGM6mb.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2",
};
}  // namespace

std::string findSoundFont(const char* overridePath,
                          const std::function<bool(const std::string&)>& isFile) {
  if (overridePath && *overridePath) {
    if (!isFile(overridePath)) throw EMCIDeviceError(ErrorCode::SoundFontMissing, overridePath);
    return overridePath;
  }
  for (const char* candidate : kCandidates)
    if (isFile(candidate)) return candidate;
  throw EMCIDeviceError(ErrorCode::NoSoundFont);
}

std::string findSoundFont() {
  return findSoundFont(std::getenv(kSoundFontVariable), [](const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
  });
}

}  // namespace tov::sdl
