#pragma once
// Text to and from the shell commands that the X tests run.

#include <string>

namespace tov::test {

// Without the spaces and line ends that commands print after their answer.
inline std::string trimmed(std::string text) {
  text.erase(text.find_last_not_of(" \n") + 1);
  return text;
}

// One word to sh, whatever it holds.
inline std::string shellQuoted(const std::string& text) {
  std::string shell = "'";
  for (const char c : text) shell += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return shell + "'";
}

// A field of the stand-ins' logs: \\, \t, \n and \r stand for the characters themselves.
inline std::string unescapedLogField(const std::string& field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      text += field[i];
      continue;
    }
    const char next = field[++i];
    text += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return text;
}

}  // namespace tov::test
