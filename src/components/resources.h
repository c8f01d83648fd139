#pragma once
// The resources the components carry, compiled in from assets/ (see CMakeLists.txt): the
// hand cursor "CUR" and the morphing button's built-in pictures "B1" and "B2".

#include <cstdint>
#include <span>
#include <string_view>

namespace tov::component_resources {
// The file of that name, or an empty span.
std::span<const std::uint8_t> embeddedFile(std::string_view name);

inline constexpr std::string_view kHandCursor = "hand.cursor";      // "CUR"
inline constexpr std::string_view kMorphPicture1 = "morph_b1.jpg";  // "B1"
inline constexpr std::string_view kMorphPicture2 = "morph_b2.jpg";  // "B2"
}  // namespace tov::component_resources
