// The parameter line split by the Windows rules: quoting, backslashes before quotes, doubled
// quotes, and text a shell would act on, which arrives as plain text.

#include "platform/posix/command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace tov::posix {
namespace {

struct Case {
  const char* name;
  friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
  std::string line;
  std::vector<std::string> arguments;
};

class SplitCommandLine : public ::testing::TestWithParam<Case> {};

TEST_P(SplitCommandLine, GivesTheArgumentsAWindowsProgramGets) {
  EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().arguments) << "line: " << GetParam().line;
}

const std::string k200(200, 'x');

INSTANTIATE_TEST_SUITE_P(
    Table, SplitCommandLine,
    ::testing::Values(
        Case{"Empty", "", {}},
        Case{"OnlySpacesAndTabs", " \t  ", {}},
        Case{"Plain", "one two", {"one", "two"}},
        Case{"RunsOfSeparators", "  one \t\t two  ", {"one", "two"}},
        Case{"QuotesGroup", "\"one two\" three", {"one two", "three"}},
        Case{"QuotesInsideAWord", "a\"b c\"d", {"ab cd"}},
        Case{"EmptyQuotedArgument", "\"\" x \"\"", {"", "x", ""}},
        Case{"UnclosedQuoteRunsToTheEnd", "\"one two", {"one two"}},
        Case{"BackslashesAloneAreLiteral", "C:\\SUITE\\ a\\\\b", {"C:\\SUITE\\", "a\\\\b"}},
        Case{"EvenBackslashesBeforeQuote", "\"a\\\\\" b", {"a\\", "b"}},
        Case{"OddBackslashesBeforeQuote", "a\\\"b", {"a\"b"}},
        Case{"ThreeBackslashesBeforeQuote", "\"a\\\\\\\"b\"", {"a\\\"b"}},
        Case{"FourBackslashesBeforeQuote", "a\\\\\\\\\"b c\"", {"a\\\\b c"}},
        Case{"TrailingBackslashInQuotes", "\"C:\\SUITE\\\\\"", {"C:\\SUITE\\"}},
        // Inside a quoted part "" is a literal quote and ends the part.
        Case{"DoubledQuoteInsideEndsThePart", "\"a\"\"b c\"", {"a\"b", "c"}},
        Case{"TripledQuoteInsideStaysInThePart", "\"a\"\"\"b c\"", {"a\"b c"}},
        Case{"FourQuotesOutside", "\"\"\"\" x", {"\" x"}},
        Case{"EscapedQuoteThenQuoteOpens", "\\\"\"a b\"", {"\"a b"}},
        Case{"LineEndsAtNul", std::string("one\0two", 7), {"one"}},
        // The menu's two formats: the values are framed, never escaped.
        Case{"ActivityLine",
             "\"*/home/suite/#\" \"*PUPIL ONE#\" \"*#\" \"*#\" \"*TRUE#\"",
             {"*/home/suite/#", "*PUPIL ONE#", "*#", "*#", "*TRUE#"}},
        Case{"ReportLine",
             "\"/home/suite/*\" \"ANÉ*\" \"*\" \"*\" \"TRUE*\" \"AFR*\"",
             {"/home/suite/*", "ANÉ*", "*", "*", "TRUE*", "AFR*"}},
        Case{"ReportLineWithoutName", "\"/s/*\" \"*\" \"*\" \"*\" \"TRUE*\" \"*\"",
             {"/s/*", "*", "*", "*", "TRUE*", "*"}},
        Case{"NameWithAQuoteSplitsAsOnWindows", "\"*JAN \"X\" DE WET#\" \"*#\"",
             {"*JAN X DE WET#", "*#"}},
        // What a shell would run, substitute or glob is only text here.
        Case{"ShellSyntaxIsText", "$(reboot) \"; rm -rf /\" `id` *.exe a|b a>b $HOME ~",
             {"$(reboot)", "; rm -rf /", "`id`", "*.exe", "a|b", "a>b", "$HOME", "~"}},
        Case{"AfrikaansLettersPassWhole", "\"ÊRENS ËN Ô\" ŉ", {"ÊRENS ËN Ô", "ŉ"}},
        Case{"LongArgument", "\"*" + k200 + "#\"", {"*" + k200 + "#"}},
        Case{"NewlineIsNotASeparator", "a\nb", {"a\nb"}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tov::posix
