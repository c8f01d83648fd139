#pragma once
// One request to sway over its IPC socket (SWAYSOCK), as sway's IPC protocol frames it: the
// magic "i3-ipc", the payload's length and the message type (both 32 bits, in the machine's
// order), then the payload; the reply is framed the same way. A socket call, not a child
// process, and bounded in time, so the user-interface thread may make it.

#include <cstdint>
#include <optional>
#include <string>

namespace tov::sway {

enum class IpcMessage : std::uint32_t { RunCommand = 0, GetInputs = 100 };

// The longest reply taken; sway's answers to these requests are a few kilobytes.
constexpr std::uint32_t kMaxIpcReply = 4u << 20;

// The reply's payload; none when the socket cannot be reached, sway does not answer within
// a few seconds, or the reply is not one of sway's (wrong magic or type, longer than
// kMaxIpcReply).
std::optional<std::string> swayRequest(const std::string& socketPath, IpcMessage type, const std::string& payload);

}  // namespace tov::sway
