#include "platform/posix/command_line.h"

namespace tov::posix {

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\t'; }

class Splitter {
 public:
  explicit Splitter(std::string_view line) : line_(line.substr(0, line.find('\0'))) {}

  std::vector<std::string> split() {
    while (at_ < line_.size()) {
      const char c = line_[at_];
      if (isSeparator(c) && !inQuotes_) {
        endArgument();
        ++at_;
      } else if (c == '\\') {
        takeBackslashes();
      } else if (c == '"') {
        takeQuoteRun();
      } else {
        current_ += c;
        inArgument_ = true;
        ++at_;
      }
    }
    endArgument();
    return std::move(arguments_);
  }

 private:
  void endArgument() {
    if (!inArgument_) return;
    arguments_.push_back(std::move(current_));
    current_.clear();
    inArgument_ = false;
  }

  void takeBackslashes() {
    std::size_t count = 0;
    while (at_ < line_.size() && line_[at_] == '\\') {
      ++count;
      ++at_;
    }
    inArgument_ = true;
    const bool beforeQuote = at_ < line_.size() && line_[at_] == '"';
    if (!beforeQuote) {
      current_.append(count, '\\');
      return;
    }
    current_.append(count / 2, '\\');
    if (count % 2 == 1) {
      current_ += '"';
      ++at_;
    }
    // With an even count the quote is left for takeQuoteRun().
  }

  // A run of unescaped quotes. The count starts at 1 inside a quoted part (its opening quote),
  // at 0 outside; the third quote of a count is a literal one and starts the count again.
  // After the run the argument is inside a quoted part when the count stands at 1.
  void takeQuoteRun() {
    int count = inQuotes_ ? 1 : 0;
    while (at_ < line_.size() && line_[at_] == '"') {
      if (++count == 3) {
        current_ += '"';
        count = 0;
      }
      ++at_;
    }
    inQuotes_ = count == 1;
    inArgument_ = true;
  }

  std::string_view line_;
  std::size_t at_ = 0;
  std::vector<std::string> arguments_;
  std::string current_;
  bool inArgument_ = false;
  bool inQuotes_ = false;
};

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) { return Splitter(line).split(); }

}  // namespace tov::posix
