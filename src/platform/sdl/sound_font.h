#pragma once
// Which General MIDI sound font the music is played with. It is chosen explicitly, so that
// the sound does not depend on what a library happens to find.

#include <functional>
#include <string>

namespace tov::sdl {

// The variable that names a sound font of the user's choice; when it is set, nothing else
// is tried.
inline constexpr const char* kSoundFontVariable = "TOVALEER_SOUNDFONT";

// overridePath: the value of TOVALEER_SOUNDFONT, or null when it is unset or empty.
// Throws EMCIDeviceError when no sound font is there.
std::string findSoundFont(const char* overridePath,
                          const std::function<bool(const std::string&)>& isFile);

// The same for this process's environment and file system.
std::string findSoundFont();

}  // namespace tov::sdl
