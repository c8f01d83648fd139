#pragma once
// A parameter line split into the arguments a Windows program would receive, so that a program
// started here gets exactly the arguments it would get there, and nothing in the line is ever
// read by a shell.

#include <string>
#include <string_view>
#include <vector>

namespace tov::posix {

// The rules of CommandLineToArgvW for the arguments after the program name:
// - spaces and tabs outside a quoted part separate arguments; runs of them count as one, and
//   none at either end makes an argument;
// - a double quote starts or ends a quoted part and is dropped; "" outside a quoted part is an
//   empty quoted part, so "" alone is an empty argument;
// - inside a quoted part, "" gives one literal quote and ends the quoted part (older MSVC
//   runtimes do the same; the runtime since 2008 stays inside the part instead). Put
//   generally: in a run of quotes, every third quote counted from the opening one is literal;
// - 2n backslashes followed by a quote give n backslashes, and the quote acts as above;
//   2n+1 backslashes followed by a quote give n backslashes and a literal quote;
//   backslashes not followed by a quote are kept as they are;
// - the line ends at its end or at a NUL character, as a C string does.
// Bytes other than space, tab, quote and backslash pass through, so UTF-8 text is kept whole.
std::vector<std::string> splitCommandLine(std::string_view line);

}  // namespace tov::posix
