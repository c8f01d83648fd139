#pragma once
// Where the menu's controls lie over the frames, in form pixels of the 800 x 600 window.
// The pictures are drawn around these rectangles, so a control that appears later sits on
// the part of the picture made for it.

#include <QRect>

#include <array>

namespace tov::suite {

inline constexpr int kFrameWidth = 800;
inline constexpr int kFrameHeight = 600;

// The mute picture is laid at (-3, -2) with 40 x 40 on every screen.
inline constexpr QRect kMuteCorner{-3, -2, 40, 40};

// Language screen.
inline constexpr QRect kAfrikaansArea{64, 229, 305, 57};
inline constexpr QRect kEnglishArea{464, 228, 241, 57};
inline constexpr QRect kAfrikaansHighlight{48, 222, 336, 74};
inline constexpr QRect kEnglishHighlight{392, 217, 350, 74};
inline constexpr QRect kLanguageReportPanel{49, 466, 73, 68};
inline constexpr QRect kLanguageExitPanel{677, 469, 74, 68};

// Name and hand screen.
inline constexpr QRect kNameField{432, 293, 317, 34};
inline constexpr QRect kLeftHandPanel{537, 411, 43, 35};
inline constexpr QRect kRightHandPanel{590, 411, 44, 35};

// Menu screen.
inline constexpr QRect kBackPanel{459, 322, 56, 53};
inline constexpr QRect kMenuExitPanel{459, 390, 57, 52};
inline constexpr QRect kMenuReportPanel{459, 456, 56, 51};

struct OptionPlace {
  QRect area;   // the click area over the activity's name
  QRect lamp;   // the indicator, always 37 x 35
};

// Options 1 to 5 form the left column, 6 to 9 the right one.
inline constexpr std::array<OptionPlace, 9> kOptions{{
    {{72, 140, 311, 42}, {77, 144, 37, 35}},
    {{72, 182, 313, 42}, {77, 185, 37, 35}},
    {{71, 252, 234, 42}, {77, 256, 37, 35}},
    {{71, 328, 250, 65}, {77, 335, 37, 35}},
    {{73, 434, 170, 42}, {77, 436, 37, 35}},
    {{467, 144, 297, 36}, {470, 145, 37, 35}},
    {{467, 183, 297, 36}, {471, 184, 37, 35}},
    {{467, 222, 297, 36}, {470, 223, 37, 35}},
    {{467, 261, 297, 36}, {471, 262, 37, 35}},
}};

// The lamp pictures are stored larger than the indicators and stretched into them.
inline constexpr int kLampPictureWidth = 46;
inline constexpr int kLampPictureHeight = 44;

}  // namespace tov::suite
