#pragma once
// The pictures stored with the advertisement form (assets/advert_*.pic), compiled into the
// advert library.

#include <cstdint>
#include <span>
#include <string_view>

namespace tov::advert_assets {
// The stored picture of that file name, or an empty span.
std::span<const std::uint8_t> embeddedFile(std::string_view name);

inline constexpr std::string_view kImage1 = "advert_image1.pic";              // 77 x 68, the button's plate
inline constexpr std::string_view kExitNormal = "advert_exitbut_from.pic";    // 49 x 49, Picture and PicFrom
inline constexpr std::string_view kExitHover = "advert_exitbut_to.pic";       // 49 x 49, PicTo
inline constexpr std::string_view kExitPressed = "advert_exitbut_down.pic";   // 49 x 49, PicDown
}  // namespace tov::advert_assets
