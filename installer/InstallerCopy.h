#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

// Every text the installer shows, in one language and one mode (install or update). Only the
// first five fields depend on the mode; in update mode there is no third button.
struct InstallerCopy {
  std::string title;
  std::string body;
  std::string primaryButton;
  std::string secondaryButton;
  std::optional<std::string> tertiaryButton;
  std::string onboardingHeadline;
  std::vector<std::string> onboardingSteps;
  std::string displayLanguageLabel;
  std::string okButton;
  std::string continueButton;
  std::string quickStartTitle;
  std::string quickStartBody;
  std::string quickStartHeadline;
  std::vector<std::string> quickStartSteps;
  std::string quickStartTip;
  std::string progressInstalling;
  std::string progressUpdating;
  std::string progressClosing;
  std::string progressPreparing;
  std::string progressInstallingApp;
  std::string progressInstallingLauncher;
  std::string progressConfiguringStartup;
  std::string progressFinishing;
  std::string progressHint;
  std::string installFailedTitle;
  std::string installerCouldNotStartMessage;
  std::string missingResourcesMessage;
  std::string missingAppMessage;
  std::string missingLauncherMessage;
  std::string startupErrorTitle;
  std::string languageSaveFailedMessage;
  std::string installSuccessTitle;
  std::string updateSuccessTitle;
  std::string installSuccessMessage;
  std::string updateSuccessMessage;
  std::string launchctlErrorMessage;
  std::string imagePlaceholderHint;  // "{imageName}" stands for the missing picture's name
};

// The texts of a language of suite::languages, and English for any other code; the update wording
// when a copy is installed.
InstallerCopy installerCopy(std::string_view languageCode, bool isInstalled);

// The display language for the user's preferred languages (tags such as "de-DE" or "pt_BR", most
// preferred first): the first one's language when it is one of suite::languages, else "en".
std::string defaultLanguageCode(const std::vector<std::string>& preferredLanguages);

// The text with every "{imageName}" replaced by the name.
std::string withImageName(std::string text, std::string_view imageName);

}  // namespace installer
