#include "advert/shades.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tov {

namespace {

constexpr int kMax = 0xFFFF;
constexpr int kNoHue = kMax;  // the hue of a grey

struct Hsv {
  int hue;  // hundredths of a degree, or kNoHue
  int saturation;
  int value;
};

// Rounded as the toolkit rounds: in single precision, halves away from zero.
int roundFloat(float value) { return int(value + 0.5f); }

int round16(float fraction) { return roundFloat(fraction * kMax); }

bool nearlyEqual(float a, float b) { return std::fabs(a - b) * 100000.f <= std::min(std::fabs(a), std::fabs(b)); }

Hsv toHsv(Color colour) {
  const float r = redOf(colour) * 0x101 / float(kMax);
  const float g = greenOf(colour) * 0x101 / float(kMax);
  const float b = blueOf(colour) * 0x101 / float(kMax);
  const float max = std::max({r, g, b});
  const float delta = max - std::min({r, g, b});
  Hsv hsv{kNoHue, 0, round16(max)};
  if (std::fabs(delta) <= 0.00001f) return hsv;
  hsv.saturation = round16(delta / max);
  float hue = nearlyEqual(r, max)   ? (g - b) / delta
              : nearlyEqual(g, max) ? 2.0f + (b - r) / delta
                                    : 4.0f + (r - g) / delta;
  hue *= 60.0f;
  if (hue < 0.0f) hue += 360.0f;
  hsv.hue = roundFloat(hue * 100.0f);
  return hsv;
}

// A 16-bit component back to 8 bits, to the nearest.
std::uint8_t eightBits(int component) { return std::uint8_t((2 * component + 257) / (2 * 257)); }

Color toColour(const Hsv& hsv) {
  if (hsv.saturation == 0 || hsv.hue == kNoHue) {
    const std::uint8_t grey = eightBits(hsv.value);
    return rgb(grey, grey, grey);
  }
  const float h = hsv.hue == 36000 ? 0.0f : hsv.hue / 6000.0f;
  const float s = hsv.saturation / float(kMax);
  const float v = hsv.value / float(kMax);
  const int sector = int(h);
  const float f = h - sector;
  const int p = round16(v * (1.0f - s));
  const int q = round16(v * (1.0f - s * f));
  const int t = round16(v * (1.0f - s * (1.0f - f)));
  const int full = round16(v);
  const int sectors[6][3] = {{full, t, p}, {q, full, p}, {p, full, t}, {p, q, full}, {t, p, full}, {full, p, q}};
  const int* c = sectors[std::clamp(sector, 0, 5)];
  return rgb(eightBits(c[0]), eightBits(c[1]), eightBits(c[2]));
}

}  // namespace

Color lighterShade(Color colour, int factor) {
  if (factor <= 0) return colour;
  if (factor < 100) return darkerShade(colour, 10000 / factor);
  Hsv hsv = toHsv(colour);
  long long value = (long long)factor * hsv.value / 100;
  if (value > kMax) {
    hsv.saturation = std::max(0, int(hsv.saturation - (value - kMax)));
    value = kMax;
  }
  hsv.value = int(value);
  return toColour(hsv);
}

Color darkerShade(Color colour, int factor) {
  if (factor <= 0) return colour;
  if (factor < 100) return lighterShade(colour, 10000 / factor);
  Hsv hsv = toHsv(colour);
  hsv.value = hsv.value * 100 / factor;
  return toColour(hsv);
}

}  // namespace tov
