#include "platform/x11/xrandr_display.h"

#include "platform/guardian/undo_recorder.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace tov::x11 {

std::uint32_t refreshRate(std::uint64_t dotClock, std::uint32_t hTotal, std::uint32_t vTotal,
                          bool interlaced, bool doubleScan) {
  if (hTotal == 0 || vTotal == 0) return 0;
  double rate = double(dotClock) / (double(hTotal) * double(vTotal));
  // An interlaced mode shows two fields per frame, a double-scanned one each line twice.
  if (interlaced) rate *= 2.0;
  if (doubleScan) rate /= 2.0;
  return std::uint32_t(std::lround(rate));
}

ScreenSize rotatedSize(std::uint32_t width, std::uint32_t height, std::int32_t orientation) {
  if (orientation == 1 || orientation == 3) return {height, width};
  return {width, height};
}

std::uint32_t proportionalMillimetres(std::uint32_t pixels, std::uint32_t referencePixels,
                                      std::uint32_t referenceMillimetres) {
  // A server that announces no physical size gets the customary 96 dots per inch.
  const double millimetresPerPixel = referencePixels && referenceMillimetres
                                         ? double(referenceMillimetres) / referencePixels
                                         : 25.4 / 96.0;
  return std::max<std::uint32_t>(1, std::uint32_t(std::lround(pixels * millimetresPerPixel)));
}

namespace {

template <auto Release>
struct XRandrFree {
  template <class T>
  void operator()(T* data) const { Release(data); }
};
using ResourcesPtr = std::unique_ptr<XRRScreenResources, XRandrFree<XRRFreeScreenResources>>;
using OutputPtr = std::unique_ptr<XRROutputInfo, XRandrFree<XRRFreeOutputInfo>>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, XRandrFree<XRRFreeCrtcInfo>>;

struct PrimaryOutput {
  ResourcesPtr resources;
  RROutput id = 0;
  OutputPtr output;
  CrtcPtr crtc;  // null while the output drives no CRTC
};

std::optional<PrimaryOutput> readPrimaryOutput(Display* display, Window root) {
  PrimaryOutput primary;
  primary.resources.reset(XRRGetScreenResourcesCurrent(display, root));
  if (!primary.resources) return std::nullopt;
  auto take = [&](RROutput id, bool needsCrtc) {
    OutputPtr info(XRRGetOutputInfo(display, primary.resources.get(), id));
    if (!info || info->connection != RR_Connected || (needsCrtc && !info->crtc)) return false;
    primary.id = id;
    primary.output = std::move(info);
    return true;
  };
  const RROutput named = XRRGetOutputPrimary(display, root);
  bool found = named && take(named, false);
  for (int i = 0; !found && i < primary.resources->noutput; ++i)
    found = take(primary.resources->outputs[i], true);
  if (!found) return std::nullopt;
  if (primary.output->crtc)
    primary.crtc.reset(XRRGetCrtcInfo(display, primary.resources.get(), primary.output->crtc));
  return primary;
}

const XRRModeInfo* findMode(const XRRScreenResources& resources, RRMode id) {
  for (int i = 0; i < resources.nmode; ++i)
    if (resources.modes[i].id == id) return &resources.modes[i];
  return nullptr;
}

bool outputOffers(const XRROutputInfo& output, RRMode id) {
  return std::find(output.modes, output.modes + output.nmode, id) != output.modes + output.nmode;
}

std::int32_t orientationOf(Rotation rotation) {
  switch (rotation & (RR_Rotate_0 | RR_Rotate_90 | RR_Rotate_180 | RR_Rotate_270)) {
    case RR_Rotate_90: return 1;
    case RR_Rotate_180: return 2;
    case RR_Rotate_270: return 3;
    default: return 0;
  }
}

std::optional<Rotation> rotationOf(std::int32_t orientation) {
  switch (orientation) {
    case 0: return RR_Rotate_0;
    case 1: return RR_Rotate_90;
    case 2: return RR_Rotate_180;
    case 3: return RR_Rotate_270;
    default: return std::nullopt;
  }
}

DisplayMode toDisplayMode(const XRRModeInfo& info, std::uint32_t bitsPerPixel,
                          std::int32_t orientation) {
  DisplayMode mode;
  mode.width = info.width;
  mode.height = info.height;
  mode.bitsPerPel = bitsPerPixel;
  mode.frequency = refreshRate(info.dotClock, info.hTotal, info.vTotal,
                               info.modeFlags & RR_Interlace, info.modeFlags & RR_DoubleScan);
  mode.orientation = orientation;
  mode.nativeId = info.id;
  return mode;
}

std::uint32_t bitsPerPixelOfDepth(Display* display, int depth) {
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  std::uint32_t bits = std::uint32_t(depth);
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == depth) bits = std::uint32_t(formats[i].bits_per_pixel);
  if (formats) XFree(formats);
  return bits;
}

ScreenSize rootSize(Display* display, Window root) {
  Window ignoredRoot;
  int x, y;
  unsigned width = 0, height = 0, border, depth;
  XGetGeometry(display, root, &ignoredRoot, &x, &y, &width, &height, &border, &depth);
  return {width, height};
}

// The screen must hold every CRTC; the others stay where they are.
ScreenSize screenSizeFor(Display* display, const PrimaryOutput& primary, ScreenSize ours) {
  ScreenSize size{std::uint32_t(std::max(0, primary.crtc->x)) + ours.width,
                  std::uint32_t(std::max(0, primary.crtc->y)) + ours.height};
  for (int i = 0; i < primary.resources->ncrtc; ++i) {
    if (primary.resources->crtcs[i] == primary.output->crtc) continue;
    CrtcPtr other(XRRGetCrtcInfo(display, primary.resources.get(), primary.resources->crtcs[i]));
    if (!other || other->mode == None) continue;
    size.width = std::max(size.width, std::uint32_t(std::max(0, other->x)) + other->width);
    size.height = std::max(size.height, std::uint32_t(std::max(0, other->y)) + other->height);
  }
  return size;
}

// Other clients see the CRTC and the screen change together.
class ServerGrab {
 public:
  explicit ServerGrab(Display* display) : display_(display) { XGrabServer(display_); }
  ~ServerGrab() {
    XUngrabServer(display_);
    XFlush(display_);
  }
  ServerGrab(const ServerGrab&) = delete;
  ServerGrab& operator=(const ServerGrab&) = delete;

 private:
  Display* display_;
};

// The CRTC of the primary output set to mode and rotation on a screen of the given size, in
// the terms the guardian needs to set it so again.
guardian::SavedCrtc crtcLayout(const PrimaryOutput& primary, RRMode mode, Rotation rotation,
                               ScreenSize screen, ScreenSize screenMm) {
  guardian::SavedCrtc layout;
  layout.crtc = guardian::XId(primary.output->crtc);
  layout.mode = guardian::XId(mode);
  layout.rotation = std::uint16_t(rotation);
  layout.x = primary.crtc->x;
  layout.y = primary.crtc->y;
  layout.screenWidth = screen.width;
  layout.screenHeight = screen.height;
  layout.screenWidthMm = screenMm.width;
  layout.screenHeightMm = screenMm.height;
  layout.outputs.assign(primary.crtc->outputs, primary.crtc->outputs + primary.crtc->noutput);
  return layout;
}

}  // namespace

XRandrDisplay::XRandrDisplay(Connection& connection, guardian::IUndoRecorder* guardian)
    : connection_(connection), guardian_(guardian) {
  Display* display = connection_.display();
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  // Screen resources without probing came with version 1.3.
  hasRandr_ = XRRQueryExtension(display, &eventBase, &errorBase) &&
              XRRQueryVersion(display, &major, &minor) &&
              (major > 1 || (major == 1 && minor >= 3));
  const int screen = connection_.screen();
  bitsPerPixel_ = bitsPerPixelOfDepth(display, DefaultDepth(display, screen));
  referenceWidth_ = std::uint32_t(DisplayWidth(display, screen));
  referenceHeight_ = std::uint32_t(DisplayHeight(display, screen));
  referenceWidthMm_ = std::uint32_t(std::max(0, DisplayWidthMM(display, screen)));
  referenceHeightMm_ = std::uint32_t(std::max(0, DisplayHeightMM(display, screen)));
}

DeviceCaps XRandrDisplay::currentCaps() {
  Display* display = connection_.display();
  DeviceCaps caps;
  caps.bitsPerPixel = std::int32_t(bitsPerPixel_);
  const auto primary = hasRandr_ ? readPrimaryOutput(display, connection_.root()) : std::nullopt;
  const XRRModeInfo* info = primary && primary->crtc
                                ? findMode(*primary->resources, primary->crtc->mode)
                                : nullptr;
  if (info) {
    const DisplayMode mode = toDisplayMode(*info, bitsPerPixel_, 0);
    caps.refresh = std::int32_t(mode.frequency);
    caps.width = std::int32_t(primary->crtc->width);
    caps.height = std::int32_t(primary->crtc->height);
    return caps;
  }
  // Without a mode there is no refresh rate to tell; the screen's size is still known.
  const ScreenSize size = rootSize(display, connection_.root());
  caps.width = std::int32_t(size.width);
  caps.height = std::int32_t(size.height);
  return caps;
}

bool XRandrDisplay::currentMode(DisplayMode& mode) {
  if (!hasRandr_) return false;
  const auto primary = readPrimaryOutput(connection_.display(), connection_.root());
  if (!primary || !primary->crtc) return false;
  const XRRModeInfo* info = findMode(*primary->resources, primary->crtc->mode);
  if (!info) return false;
  mode = toDisplayMode(*info, bitsPerPixel_, orientationOf(primary->crtc->rotation));
  return true;
}

// As the system's own enumeration: mode 0 reads the list anew, the later ones come from that
// reading. A reading is some round trips to the server; one per mode made the menu's switch
// the slowest step before its first frame.
bool XRandrDisplay::enumMode(std::uint32_t index, DisplayMode& mode) {
  if (!hasRandr_) return false;
  if (index == 0 || enumerated_.empty()) {
    enumerated_.clear();
    const auto primary = readPrimaryOutput(connection_.display(), connection_.root());
    for (int i = 0; primary && i < primary->output->nmode; ++i) {
      const XRRModeInfo* info = findMode(*primary->resources, primary->output->modes[i]);
      if (!info) break;
      enumerated_.push_back(toDisplayMode(*info, bitsPerPixel_, 0));
    }
  }
  if (index >= enumerated_.size()) return false;
  mode = enumerated_[index];
  return true;
}

bool XRandrDisplay::changeMode(const DisplayMode& mode) {
  // X cannot change the depth of a running screen.
  if (!hasRandr_ || mode.bitsPerPel != bitsPerPixel_) return false;
  const std::optional<Rotation> rotation = rotationOf(mode.orientation);
  Display* display = connection_.display();
  const Window root = connection_.root();
  const auto primary = readPrimaryOutput(display, root);
  if (!rotation || !primary || !primary->crtc) return false;
  const XRRModeInfo* info = findMode(*primary->resources, RRMode(mode.nativeId));
  if (!info || info->width != mode.width || info->height != mode.height ||
      !outputOffers(*primary->output, info->id))
    return false;

  const ScreenSize target =
      screenSizeFor(display, *primary, rotatedSize(info->width, info->height, mode.orientation));
  int minWidth, minHeight, maxWidth, maxHeight;
  if (!XRRGetScreenSizeRange(display, root, &minWidth, &minHeight, &maxWidth, &maxHeight) ||
      target.width < std::uint32_t(minWidth) || target.height < std::uint32_t(minHeight) ||
      target.width > std::uint32_t(maxWidth) || target.height > std::uint32_t(maxHeight))
    return false;

  auto millimetresOf = [&](ScreenSize size) {
    return ScreenSize{proportionalMillimetres(size.width, referenceWidth_, referenceWidthMm_),
                      proportionalMillimetres(size.height, referenceHeight_, referenceHeightMm_)};
  };
  auto setScreenSize = [&](ScreenSize size) {
    const ScreenSize millimetres = millimetresOf(size);
    XRRSetScreenSize(display, root, int(size.width), int(size.height), int(millimetres.width),
                     int(millimetres.height));
  };
  const Rotation keptReflection = primary->crtc->rotation & (RR_Reflect_X | RR_Reflect_Y);
  const Rotation newRotation = Rotation(*rotation | keptReflection);
  const guardian::SavedCrtc layoutAfter =
      crtcLayout(*primary, info->id, newRotation, target, millimetresOf(target));
  if (guardian_) {
    const ScreenSize screen = rootSize(display, root);
    recordSwitchStarting(crtcLayout(*primary, primary->crtc->mode, primary->crtc->rotation,
                                    screen, millimetresOf(screen)),
                         layoutAfter);
  }
  // The screen may never be smaller than a CRTC on it: grow it before a larger mode is set,
  // shrink it after a smaller one is.
  Connection::ErrorTrap trap(connection_);
  ServerGrab grab(display);
  const ScreenSize before = rootSize(display, root);
  const ScreenSize grown{std::max(before.width, target.width),
                         std::max(before.height, target.height)};
  if (!(grown == before)) setScreenSize(grown);
  const Status status = XRRSetCrtcConfig(
      display, primary->resources.get(), primary->output->crtc, CurrentTime, primary->crtc->x,
      primary->crtc->y, info->id, newRotation, primary->crtc->outputs, primary->crtc->noutput);
  if (status != RRSetConfigSuccess) {
    if (!(grown == before)) setScreenSize(before);
    return false;
  }
  if (!(target == grown)) setScreenSize(target);
  if (trap.failed()) return false;
  if (guardian_) recordSwitchMade(layoutAfter);
  return true;
}

// The first switch records the layout before it, before it is made: a guardian that learnt
// of a switch that then failed only sets again what is already there.
void XRandrDisplay::recordSwitchStarting(const guardian::SavedCrtc& before,
                                         const guardian::SavedCrtc& after) {
  if (savedForGuardian_ || before == after) return;
  savedForGuardian_ = before;
  guardian_->record(guardian::ModeChanged{before});
}

// Only a switch that has been made can give the first layout back.
void XRandrDisplay::recordSwitchMade(const guardian::SavedCrtc& now) {
  if (!savedForGuardian_ || !(*savedForGuardian_ == now)) return;
  savedForGuardian_.reset();
  guardian_->record(guardian::ModeRestored{});
}

// The CRTC's width and height are those of its mode once rotated: what the screen shows.
ScreenArea XRandrDisplay::primaryOutputArea() {
  Display* display = connection_.display();
  const auto primary = hasRandr_ ? readPrimaryOutput(display, connection_.root()) : std::nullopt;
  if (primary && primary->crtc && primary->crtc->width > 0 && primary->crtc->height > 0)
    return {primary->crtc->x, primary->crtc->y, std::int32_t(primary->crtc->width),
            std::int32_t(primary->crtc->height)};
  const ScreenSize size = rootSize(display, connection_.root());
  return {0, 0, std::int32_t(size.width), std::int32_t(size.height)};
}

// XRandR sends RRScreenChangeNotify and the root window's ConfigureNotify to every client
// that asked for them, the windowing layer included; there is nothing left to broadcast.
// What is left is to make sure the server has carried out everything we asked for.
void XRandrDisplay::broadcastDisplayChange() { XSync(connection_.display(), False); }

}  // namespace tov::x11
