#include "platform/ProcessInfo.h"

#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string_view>
#include <utility>

#include "SystemFiles.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared.

namespace platform {
namespace {

std::map<std::string, std::string> readEnvironment() {
  std::map<std::string, std::string> environment;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
      continue;
    }
    // emplace keeps the first of duplicate names, as getenv does.
    environment.emplace(std::string(text.substr(0, equals)), std::string(text.substr(equals + 1)));
  }
  return environment;
}

// "fr_FR.UTF-8@euro" -> "fr-FR"; nothing for "C", "POSIX" and empty entries.
std::optional<std::string> languageTag(std::string_view locale) {
  locale = locale.substr(0, locale.find_first_of(".@"));
  if (locale.empty() || locale == "C" || locale == "POSIX") {
    return std::nullopt;
  }
  std::string tag(locale);
  for (char& character : tag) {
    if (character == '_') {
      character = '-';
    }
  }
  return tag;
}

}  // namespace

ProcessInfo::ProcessInfo(std::vector<std::string> arguments,
                         std::map<std::string, std::string> environment, uid_t realUserId)
    : arguments_(std::move(arguments)),
      environment_(std::move(environment)),
      realUserId_(realUserId) {}

const ProcessInfo& ProcessInfo::current() {
  static const ProcessInfo info(systemFiles::commandLineArguments(), readEnvironment(), getuid());
  return info;
}

std::optional<std::string> ProcessInfo::environmentValue(const std::string& name) const {
  const auto found = environment_.find(name);
  if (found == environment_.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::vector<std::string> ProcessInfo::preferredLanguages() const {
  std::vector<std::string> languages;
  if (const auto list = environmentValue("LANGUAGE")) {
    std::string_view rest(*list);
    while (true) {
      const auto colon = rest.find(':');
      if (auto tag = languageTag(rest.substr(0, colon))) {
        languages.push_back(std::move(*tag));
      }
      if (colon == std::string_view::npos) {
        break;
      }
      rest.remove_prefix(colon + 1);
    }
  }
  if (languages.empty()) {
    // The first of these that is set decides the locale, as it does for the C library.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const auto value = environmentValue(name);
      if (!value || value->empty()) {
        continue;
      }
      if (auto tag = languageTag(*value)) {
        languages.push_back(std::move(*tag));
      }
      break;
    }
  }
  if (languages.empty()) {
    languages.emplace_back("en");
  }
  return languages;
}

void ProcessInfo::sleepMicroseconds(std::uint64_t microseconds) {
  timespec remaining{};
  remaining.tv_sec = static_cast<time_t>(microseconds / 1'000'000);
  remaining.tv_nsec = static_cast<long>((microseconds % 1'000'000) * 1'000);
  while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
  }
}

}  // namespace platform
