#pragma once
// The pictures stored with the forms, compiled into the program.

#include <cstdint>
#include <span>
#include <string_view>

namespace tov::assets {
// The stored picture of that file name in assets/, or an empty span.
std::span<const std::uint8_t> embeddedFile(std::string_view name);
}  // namespace tov::assets
