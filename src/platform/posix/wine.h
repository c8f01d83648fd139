#pragma once
// A real suite's activity and report programs are Windows programs; they run here through
// Wine, with the arguments a Windows starter would give them. This finds the `wine` that can
// run a program, tells what is missing when none can, and gives the environment that carries
// the pupil's name to the program whole.

#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/program_kind.h"

namespace tov::posix {

// Where Wine is looked for.
struct WineSetup {
  // A name without a slash is looked for in PATH only: the current folder is the suite's,
  // and a file called wine there is not ours to run.
  std::string wine = "wine";
  // Debian's and Ubuntu's `wine` is a script that runs this 32-bit loader (package
  // wine32:i386) when it is executable and otherwise the 64-bit one, which cannot run a
  // 32-bit program. A `wine` that is itself an ELF program (a build of Wine's own, WineHQ's
  // packages) decides for itself, so there the 32-bit part is taken to be present.
  std::string loader32 = "/usr/lib/wine/wine";
};

enum class WineShortfall { None, NoWine, No32BitPart };

struct WineFound {
  std::string program;  // the wine to run; empty unless shortfall is None
  WineShortfall shortfall = WineShortfall::None;
};

// The wine that runs a Windows program of the given kind (Windows32 or Windows64), or what
// is missing.
WineFound findWine(const WineSetup& setup, ProgramKind kind);

// The arguments after wine's own name: the program's absolute path, then its arguments.
// Wine hands them on through the Windows command line, quoted so that CommandLineToArgvW
// gives them back as they are.
std::vector<std::string> wineArguments(const std::string& program, const std::vector<std::string>& arguments);

// The environment (NAME=VALUE entries) for a program run through Wine: the given one as it
// is, but with a UTF-8 character locale when it has none. Wine converts the arguments to the
// program's wide command line with the locale's character set, and in the "C" locale a name
// like "ZOË" would lose its "Ë". The character locale is the first non-empty of LC_ALL,
// LC_CTYPE and LANG; a name containing "UTF-8" or "utf8" (any case) is UTF-8. Otherwise
// LC_ALL=C.UTF-8 is set when LC_ALL is set, else LC_CTYPE=C.UTF-8.
std::vector<std::string> wineEnvironment(std::vector<std::string> environment);

// The value of the first NAME=VALUE entry of environment named name; empty when there is none.
std::string_view environmentValue(const std::vector<std::string>& environment, std::string_view name);

}  // namespace tov::posix
