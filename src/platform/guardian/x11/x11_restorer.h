#pragma once
// The X server the guardian watches while it lasts, and what it puts back there of what the
// menu left outstanding: the display mode first (panels lay themselves out for the screen
// they find when they come back), then the docks, then the pointer mapping. Protocol errors
// are expected here (a dock that has gone meanwhile) and are never fatal. This header brings
// in no Xlib.

#include "platform/guardian/undo_record.h"

#include <memory>
#include <string>
#include <vector>

struct _XDisplay;

namespace tov::guardian {

class XServer {
 public:
  // Connects to DISPLAY; null when the server cannot be reached.
  static std::unique_ptr<XServer> open();
  // Closing a connection that has broken sends nothing and frees it.
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // The connection's descriptor, to be woken by.
  int descriptor() const;
  // Every client is sent MappingNotify when the pointer mapping changes; reading the events
  // is also how a server that has gone is noticed.
  void discardEvents();
  // The server's going takes only what lived on it (the display mode, the docks, the pointer
  // mapping). Requests on a connection that has broken may crash Xlib: none is sent once it
  // has.
  bool usable() const { return !gone_; }

  // Gives back everything outstanding on the server; one line for each piece, saying what
  // was done.
  std::vector<std::string> giveBack(const Outstanding& outstanding);

 private:
  explicit XServer(_XDisplay* display);
  static void markGone(_XDisplay*, void* server);

  _XDisplay* display_;
  bool gone_ = false;
};

}  // namespace tov::guardian
