#include "UpdateChecker.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string_view>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "ServiceAddress.h"
#include "platform/JsonText.h"
#include "platform/Url.h"

namespace launcher {
namespace {

// The number of one piece of a version: its leading decimal digits, or 0.
std::int64_t leadingNumber(std::string_view piece) {
  const std::string_view digits = piece.substr(0, piece.find_first_not_of("0123456789"));
  std::int64_t number = 0;
  // No digits and numbers beyond 64 bits are both errors here.
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return result.ec == std::errc{} ? number : 0;
}

// A check that learned nothing for a reason of the launcher's own (the address, the answer); the
// user sees the settings window's own wording, never this sentence.
platform::Error checkFailed() {
  return {"FerrolinLauncher", 0, "The web service did not say which version is the latest."};
}

// The longest version text that is shown to the user, in characters.
constexpr std::size_t longestVersion = 64;

// Whether a text is a version, fit to reach the menu, the tool tip and the notification: one to
// `longestVersion` ASCII letters, digits, ".", "-" and "+". Nothing else (blanks, punctuation, a
// sentence, control or direction-changing characters, other scripts) is a version.
bool isVersionText(std::string_view text) {
  return !text.empty() && text.size() <= longestVersion && std::ranges::all_of(text, [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
           c == '-' || c == '+';
  });
}

// The "version" string of the service's answer: a JSON object; other keys are ignored. A text that
// could not be shown as it is counts as no answer.
std::optional<std::string> decodeLatestVersion(const std::string& body) {
  const nlohmann::json document = platform::parseJson(body);
  if (document.is_discarded() || !document.is_object()) {
    return std::nullopt;
  }
  const auto version = document.find("version");
  if (version == document.end() || !version->is_string() ||
      !isVersionText(version->get_ref<const std::string&>())) {
    return std::nullopt;
  }
  return version->get<std::string>();
}

}  // namespace

std::string VersionCheckResult::message() const {
  return "Update available: " + latestVersion + " (installed " + currentVersion + ")";
}

std::vector<std::int64_t> versionParts(std::string_view version) {
  std::vector<std::int64_t> parts;
  std::size_t start = 0;
  while (start <= version.size()) {
    const std::size_t dot = std::min(version.find('.', start), version.size());
    if (dot > start) {
      parts.push_back(leadingNumber(version.substr(start, dot - start)));
    }
    start = dot + 1;
  }
  return parts;
}

UpdateCheckOutcome versionCheckResult(const std::string& body, std::string currentVersion) {
  std::optional<std::string> latest = decodeLatestVersion(body);
  if (!latest) {
    return std::unexpected(checkFailed());
  }
  if (!isVersion(*latest, currentVersion)) {
    return std::nullopt;
  }
  return VersionCheckResult{std::move(*latest), std::move(currentVersion)};
}

bool isVersion(std::string_view version, std::string_view newerThan) {
  const std::vector<std::int64_t> candidate = versionParts(version);
  const std::vector<std::int64_t> reference = versionParts(newerThan);
  const std::size_t count = std::max(candidate.size(), reference.size());
  for (std::size_t index = 0; index < count; ++index) {
    const std::int64_t left = index < candidate.size() ? candidate[index] : 0;
    const std::int64_t right = index < reference.size() ? reference[index] : 0;
    if (left != right) {
      return left > right;
    }
  }
  return false;
}

UpdateChecker::UpdateChecker(LauncherConfig config, platform::HttpSession& session,
                             platform::EventLoop& mainQueue)
    : config_(std::move(config)), session_(&session), mainQueue_(&mainQueue) {}

void UpdateChecker::check(Completion completion) const {
  const std::optional<platform::Url> url =
      platform::Url::parse(serviceAddress(config_.apiOrigin, latestVersionPath));
  if (!url) {
    completion(std::unexpected(checkFailed()));
    return;
  }
  // The checker may be gone by the time the answer arrives: the task keeps copies of what it needs.
  session_->startDataTask(
      platform::HttpRequest{*url, requestTimeout},
      [completion = std::move(completion), currentVersion = config_.currentVersion,
       mainQueue = mainQueue_](std::optional<std::string> data,
                               const std::optional<platform::HttpResponse>& /*response*/,
                               const std::optional<platform::Error>& error) mutable {
        UpdateCheckOutcome outcome =
            data ? versionCheckResult(*data, std::move(currentVersion))
                 : UpdateCheckOutcome(std::unexpected(error.value_or(checkFailed())));
        mainQueue->async([completion = std::move(completion), outcome = std::move(outcome)] {
          completion(outcome);
        });
      });
}

}  // namespace launcher
