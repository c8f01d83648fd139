#pragma once
// TMorphButton: a clickable picture that cross-fades (morphs) from its resting picture to its
// hover picture when the pointer comes over it, and back when the pointer leaves.
//
// A windowless control: its window paints it like any other, and it paints its display buffer
// there unscaled. The morph is computed in three 24-bit buffers (see MorphBuffer) and shown
// frame by frame, MorphRate + 1 frames, each painted at once; there is no timer, so a morph
// takes as long as its blends and repaints take. A morph runs inside the pointer's enter or
// leave notification and returns after its last frame.

#include <string>

#include "components/morphblend.h"
#include "imaging/picture.h"
#include "platform/errors.h"
#include "ui/control.h"

namespace tov {

TOV_DECLARE_ERROR(EMorphButton, Exception);

class TMorphButton : public TControl {
 public:
  // Registers the hand cursor as cursor 31 (replacing any earlier one) and shows it; holds
  // the built-in pictures "B1" and "B2" and is 120 x 50.
  TMorphButton(ControlHost& host, std::string name);

  // The resting and the hover picture: owned copies. Setting one copies the picture's
  // content. After changing one in place, call morphPicChanged().
  const Picture& MorphPic1() const { return pic1_; }
  const Picture& MorphPic2() const { return pic2_; }
  Picture& MorphPic1() { return pic1_; }
  Picture& MorphPic2() { return pic2_; }
  void setMorphPic1(const Picture& picture);
  void setMorphPic2(const Picture& picture);
  // Renders the pictures afresh, unless the button is in the middle of a backward morph,
  // which has exchanged them on purpose.
  void morphPicChanged();

  // Backgrounds (0x00BBGGRR) behind MorphPic1 and MorphPic2 where the picture leaves room.
  Color MorphColor1() const { return color1_; }
  Color MorphColor2() const { return color2_; }
  void setMorphColor1(Color color);
  void setMorphColor2(Color color);

  // The number of steps of a morph, kept in 1..255: a morph shows MorphRate + 1 frames.
  int MorphRate() const { return rate_; }
  void setMorphRate(int rate);

  // True: both pictures are stretched to the button. False: the button takes the natural
  // size of its pictures (of MorphPic1 when it has both).
  bool StretchToFit() const { return stretchToFit_; }
  void setStretchToFit(bool stretch);

  // True: the application's pending events are handled after every frame of a morph.
  bool ProcessMsgs() const { return processMsgs_; }
  void setProcessMsgs(bool process) { processMsgs_ = process; }

  void paint(Canvas& canvas) const override;
  void mouseEnter() override;
  void mouseLeave() override;

  // The morphs themselves, as the pointer's notifications run them.
  void forwardMorph();
  void backwardMorph();

  const MorphBuffer& displayBuffer() const { return display_; }
  const MorphBuffer& targetBuffer() const { return target_; }
  const MorphBuffer& workBuffer() const { return work_; }

 protected:
  void boundsChanged() override;
  // Shows one frame of a morph: paints the button at once, then handles pending events when
  // ProcessMsgs says so. weight is the frame's blend weight, 0 to 32.
  virtual void showMorphFrame(int weight);

 private:
  void prepare();
  void undoExchange();
  void exchangePictures();
  void prepareNaturalSize();
  void setNaturalSize(const Picture& picture);
  void renderStretched(MorphBuffer& buffer, const Picture& picture);
  void renderUnscaled(MorphBuffer& buffer, const Picture& picture);
  void runFrames();

  Picture pic1_;
  Picture pic2_;
  Color color1_ = 0x000000;
  Color color2_ = 0xFFFFFF;
  int rate_ = 250;
  bool stretchToFit_ = true;
  bool processMsgs_ = true;
  bool swapped_ = false;       // the backward morph has exchanged pictures and colours
  bool savedStretch_ = true;   // StretchToFit while the backward morph forces it on

  MorphBuffer display_;  // what paint() shows; its fill colour is MorphColor1
  MorphBuffer target_;   // the rendering of MorphPic2; its fill colour is MorphColor2
  MorphBuffer work_;     // the display as it was when the morph began
};

}  // namespace tov
