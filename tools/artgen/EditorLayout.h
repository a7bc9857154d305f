#pragma once

// Where the editor puts its controls (window pixels) and the sizes of the
// pictures it draws them from. The artwork must place every label clear of
// these rectangles, so the generator keeps its own copy of the layout.

namespace layout {

struct Box {
    int left;
    int top;
    int right;
    int bottom;
    double centreX() const { return (left + right) / 2.0; }
    double centreY() const { return (top + bottom) / 2.0; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

constexpr int kWindowWidth = 560;
constexpr int kWindowHeight = 420;

constexpr int kTrackWidth = 25;
constexpr int kTrackHeight = 175;
constexpr int kHandleWidth = 25;
constexpr int kHandleHeight = 22;
constexpr int kButtonSize = 25;          // one of the two on/off images
constexpr int kSwitchWidth = 40;         // filter-type and FFT-length strips
constexpr int kSwitchImageHeight = 60;
constexpr int kStageWidth = 62;          // stage-order strips
constexpr int kStageImageHeight = 100;
constexpr int kPositions = 4;            // every switch has four positions

// Sliders: the track spans 73..248; the handle top runs from 73 (value 1)
// down to 226 (value 0).
constexpr int kSliderTop = 73;
constexpr int kHandleTravel = kTrackHeight - kHandleHeight;  // 153

constexpr Box kWaveShape{25, 73, 50, 248};
constexpr Box kPitchShift{90, 73, 115, 248};
constexpr Box kCutOff{153, 73, 178, 248};
constexpr Box kResonance{218, 73, 243, 248};
constexpr Box kDelayMix{281, 73, 306, 248};
constexpr Box kDelayTime{329, 73, 354, 248};
constexpr Box kDelayFeedBack{377, 73, 402, 248};
constexpr Box kDrive{441, 73, 466, 248};
constexpr Box kVolume{488, 73, 513, 248};

constexpr Box kFftLength{50, 73, 90, 133};
constexpr Box kFilterType{178, 73, 218, 133};

constexpr Box kStablize{25, 307, 50, 332};
constexpr Box kQuickDetect{89, 307, 114, 332};

constexpr Box kShapeNameBox{10, 257, 65, 270};
constexpr Box kDelayTimeBox{324, 257, 359, 270};

// The stage-order switches' pictures stand side by side; their click areas
// are wider, but only these 62-pixel columns carry a picture.
constexpr Box kFirst{263, 307, 325, 407};
constexpr Box kSecond{325, 307, 387, 407};
constexpr Box kThird{387, 307, 449, 407};
constexpr Box kForth{449, 307, 511, 407};

}  // namespace layout
