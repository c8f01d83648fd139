#include "starter/starter_testing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/processes.h"
#include "ui/application.h"

namespace tov::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "tov-starter-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) std::abort();
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string ScratchFolder::file(const std::string& name, const std::string& content, unsigned mode) const {
  const std::string path = *this / name;
  std::ofstream(path, std::ios::binary) << content;
  ::chmod(path.c_str(), mode);
  return path;
}

std::string ScratchFolder::script(const std::string& name, const std::string& body, unsigned mode) const {
  const std::string path = *this / name;
  return file(name, "#!/bin/sh\nRECORD='" + path + "'\n" + body + "\n", mode);
}

std::string ScratchFolder::recorder(const std::string& name, const std::string& tail) const {
  return script(name,
                "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$RECORD.args.part\"\n"
                "pwd -P > \"$RECORD.cwd\"\n"
                "mv \"$RECORD.args.part\" \"$RECORD.args\"\n" +
                    tail);
}

std::string ScratchFolder::folder(const std::string& name) const {
  const std::string path = *this / name;
  fs::create_directories(path);
  return path;
}

namespace {

void applyVariable(const std::string& name, const std::optional<std::string>& value) {
  if (value)
    ::setenv(name.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name.c_str());
}

}  // namespace

ScopedEnvironment::~ScopedEnvironment() {
  for (auto saved = saved_.rbegin(); saved != saved_.rend(); ++saved) applyVariable(saved->first, saved->second);
}

void ScopedEnvironment::set(const std::string& name, const std::optional<std::string>& value) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  applyVariable(name, value);
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path) { return fs::exists(path); }

std::vector<std::string> recordedArguments(const std::string& recorderPath) {
  const std::string text = readText(recorderPath + ".args");
  std::vector<std::string> arguments;
  std::size_t from = 0;
  for (std::size_t nul = text.find('\0'); nul != std::string::npos; nul = text.find('\0', from)) {
    arguments.push_back(text.substr(from, nul - from));
    from = nul + 1;
  }
  return arguments;
}

std::string recordedFolder(const std::string& recorderPath) {
  std::string folder = readText(recorderPath + ".cwd");
  if (!folder.empty() && folder.back() == '\n') folder.pop_back();
  return folder;
}

bool serveEventsUntil(const std::function<bool()>& done, int timeoutMs) {
  const std::int64_t start = Application::tickCount();
  while (!done() && Application::tickCount() - start < timeoutMs)
    Application::waitDispatching(Application::tickCount(), 10);
  return done();
}

void serveEvents(int ms) { Application::waitDispatching(Application::tickCount(), ms); }

std::vector<std::string> zombieChildren() {
  std::vector<std::string> zombies;
  for (const ProcessStatus& child : childrenOf(::getpid()))
    if (child.state == 'Z') zombies.push_back(std::to_string(child.pid) + " (" + child.name + ")");
  return zombies;
}

}  // namespace tov::test
