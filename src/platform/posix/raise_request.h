#pragma once
// How a second copy asks the first to come to the front where the windowing system lets no
// client raise another's window (Wayland): a datagram to a socket the first copy binds
// beside its instance lock. The datagram carries the activation token the second copy was
// started with or was given by the compositor, which the first copy needs to be let to the
// front; an empty one carries none.

#include <functional>
#include <memory>
#include <string>

#include "platform/event_loop.h"

namespace tov::posix {

// The longest token passed on; the tokens compositors hand out are far shorter.
constexpr std::size_t kMaxActivationTokenLength = 255;

// Whether text may be passed on as a token: printable ASCII, no blank, at most
// kMaxActivationTokenLength; empty means "no token".
bool isActivationToken(const std::string& text);

// Sends token to the socket at path; false when no copy of ours listens there (no socket, a
// socket of another user, nobody bound) or the token is not one.
bool sendRaiseRequest(const std::string& path, const std::string& token);

class RaiseRequestListener {
 public:
  // Binds the socket at path, replacing a socket left by a copy that ended without removing
  // it (the caller holds the instance lock, so no other copy uses it). Each request that
  // carries a valid token (or none) reaches onRequest on the thread of the event loop; the
  // rest are dropped. Without a socket (no folder, another user's file) it stays silent.
  RaiseRequestListener(std::string path, std::function<void(const std::string& token)> onRequest);
  ~RaiseRequestListener();
  RaiseRequestListener(const RaiseRequestListener&) = delete;
  RaiseRequestListener& operator=(const RaiseRequestListener&) = delete;

  bool listening() const { return fd_ >= 0; }

 private:
  void takeRequests();

  std::string path_;
  std::function<void(const std::string&)> onRequest_;
  int fd_ = -1;
  std::unique_ptr<LoopWatch> watch_;
};

}  // namespace tov::posix
