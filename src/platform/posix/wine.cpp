#include "platform/posix/wine.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/posix/program_search.h"

namespace tov::posix {

namespace {

std::string locateWine(const std::string& wine) {
  if (wine.find('/') != std::string::npos) return isExecutableFile(wine) ? wine : std::string();
  return findInPath(wine);
}

bool has32BitPart(const std::string& wine, const std::string& loader32) {
  return programKindOf(wine) == ProgramKind::Native || isExecutableFile(loader32);
}

bool namesUtf8(std::string_view locale) {
  std::string lower(locale);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
}

bool hasUtf8CharacterLocale(const std::vector<std::string>& environment) {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
    if (const std::string_view value = environmentValue(environment, name); !value.empty()) return namesUtf8(value);
  return false;  // no locale at all is the "C" locale
}

void setVariable(std::vector<std::string>& environment, const std::string& name, const std::string& value) {
  std::erase_if(environment, [&](const std::string& entry) {
    return entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=';
  });
  environment.push_back(name + "=" + value);
}

}  // namespace

std::string_view environmentValue(const std::vector<std::string>& environment, std::string_view name) {
  for (const std::string& entry : environment) {
    const std::string_view view = entry;
    if (view.size() > name.size() && view.starts_with(name) && view[name.size()] == '=')
      return view.substr(name.size() + 1);
  }
  return {};
}

WineFound findWine(const WineSetup& setup, ProgramKind kind) {
  const std::string wine = locateWine(setup.wine);
  if (wine.empty()) return WineFound{{}, WineShortfall::NoWine};
  if (kind == ProgramKind::Windows32 && !has32BitPart(wine, setup.loader32))
    return WineFound{{}, WineShortfall::No32BitPart};
  return WineFound{wine, WineShortfall::None};
}

std::vector<std::string> wineArguments(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> all;
  all.reserve(arguments.size() + 1);
  all.push_back(program);
  all.insert(all.end(), arguments.begin(), arguments.end());
  return all;
}

std::vector<std::string> wineEnvironment(std::vector<std::string> environment) {
  if (hasUtf8CharacterLocale(environment)) return environment;
  const std::string variable = environmentValue(environment, "LC_ALL").empty() ? "LC_CTYPE" : "LC_ALL";
  setVariable(environment, variable, "C.UTF-8");
  return environment;
}

}  // namespace tov::posix
