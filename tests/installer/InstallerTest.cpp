// FerrolinInstaller on an in-process desktop, its dialogs answered by script: installing with and
// without start at login, updating, cancelling, the display language, missing resources and the
// failures it reports.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "Installation.h"
#include "InstallerApp.h"
#include "InstallerCopy.h"
#include "model/EmulatedDesktop.h"
#include "platform/ApplicationServicesForAnyThread.h"
#include "platform/GlobalQueue.h"
#include "platform/PollEventLoop.h"
#include "suite/HomeLayout.h"
#include "suite/Outcome.h"
#include "support/DesktopProgram.h"
#include "support/DialogScript.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using installer::InstallerApp;
using testsupport::readFile;
using testsupport::writeFile;
using Calls = std::vector<std::vector<std::string>>;

class InstallerTest : public testing::Test {
 protected:
  // The installer's bundle with the two bundles it installs, less those named in `missing`.
  platform::Bundle installerBundle(const std::vector<std::string>& missing = {}) {
    const fs::path resources = folder / "FerrolinInstaller.app/Contents/Resources";
    for (const char* part : {"Ferrolin.app/Contents/MacOS/Ferrolin",
                             "Ferrolin Launcher.app/Contents/MacOS/Ferrolin Launcher"}) {
      if (std::ranges::find(missing, fs::path(part).begin()->string()) == missing.end()) {
        writeFile(resources / part, std::string("new ") + part);
      }
    }
    if (std::ranges::find(missing, "Resources") != missing.end()) {
      fs::remove_all(resources);
    }
    return platform::Bundle::forExecutable(
        folder / "FerrolinInstaller.app/Contents/MacOS/FerrolinInstaller");
  }

  // What the installation works with, in the test's home or in that of `otherHome`; `pause` runs
  // where a program waits after closing the running programs.
  installer::InstallationServices services(const platform::FileManager* otherHome = nullptr,
                                           std::function<void()> pause = {}) {
    return {
        .files = otherHome != nullptr ? otherHome : &files,
        .processes = &processes,
        .applications = &applications,
        .userId = ::getuid(),
        .launchctlTimeLimit = launchctlTimeLimit,
        .pauseAfterClosing = std::move(pause),
    };
  }

  // The installation from this bundle with these services, without the installer's windows.
  installer::Installation installation(const platform::Bundle& bundle,
                                       installer::InstallationServices with) {
    const suite::HomeLayout layout = suite::HomeLayout::under(with.files->homeDirectory());
    return {std::move(with), layout, bundle.resourcePath(), stop};
  }
  installer::Installation installation(const platform::Bundle& bundle) {
    return installation(bundle, services());
  }

  std::shared_ptr<InstallerApp> makeApp(platform::Bundle bundle,
                                        installer::InstallationServices with) {
    return std::make_shared<InstallerApp>(installer::InstallerServices{
        .application = &program.application,
        .screens = program.connection.get(),
        .background = &queue,
        .bundle = std::move(bundle),
        .installation = std::move(with),
    });
  }
  std::shared_ptr<InstallerApp> makeApp(platform::Bundle bundle) {
    return makeApp(std::move(bundle), services());
  }

  // Runs the installer to its end, answering each dialog in turn; returns the dialogs shown.
  std::vector<std::string> run(const std::vector<std::string>& answers,
                               std::shared_ptr<InstallerApp> app = nullptr) {
    app = app != nullptr ? app : makeApp(installerBundle());
    const auto dialogs = testsupport::answerDialogs(desktop, answers);
    program.application.setDelegate(app.get());
    app->applicationDidFinishLaunching();
    EXPECT_TRUE(loop.runUntil([&] { return program.application.isTerminated(); }, 20s));
    program.application.setDelegate(nullptr);
    return *dialogs;
  }

  nlohmann::json settings() const {
    return nlohmann::json::parse(readFile(settingsFile), nullptr, false);
  }

  testsupport::TemporaryFolder folder;
  fs::path home = testsupport::madeFolder(folder / "home");
  fs::path installedLauncher = home / "Applications/Ferrolin.app";
  fs::path installedApp = home / "Library/Application Support/Ferrolin/Ferrolin.app";
  fs::path agent = home / "Library/LaunchAgents/com.quorrel.launcher.plist";
  fs::path settingsFile = home / "Library/Application Support/Ferrolin/launcher-settings.json";
  testsupport::EmulatedTools tools = testsupport::writeEmulatedTools(folder / "desktop");
  // Generous, so that a busy machine never stops the recording launchctl; short where it hangs.
  std::chrono::milliseconds launchctlTimeLimit = 60s;
  platform::FileManager files{home, folder / "tmp"};
  platform::ProcessLauncher processes{platform::SystemPaths(folder / "desktop"), {}};
  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  testsupport::DesktopProgram program{desktop, loop, 7501, "com.quorrel.installer"};
  testsupport::DesktopProgram ferrolin{desktop, loop, 7502, "app.ferrolin.desktop"};
  platform::ApplicationServicesForAnyThread applications{*program.connection, loop};
  platform::GlobalQueue queue{1};
  std::atomic<bool> stop = false;
};

const std::string installBody =
    "This installs Ferrolin for your user account.\nUse the launcher in Applications to start "
    "quickly, then use your configured global shortcut to show or hide Ferrolin.";
const std::string guide =
    "informational Quick Start: Open Ferrolin from Applications, then verify your shortcut in "
    "Settings.";

TEST_F(InstallerTest, InstallingWithStartAtLoginLoadsTheAgentAndStartsTheLauncherThroughIt) {
  EXPECT_EQ(run({"Install and Start at Login", "Continue", "OK"}),
            (std::vector<std::string>{
                "informational Install Ferrolin: " + installBody, guide,
                "informational Ferrolin installed: The Ferrolin launcher was installed in your "
                "Applications folder."}));
  EXPECT_EQ(readFile(installedApp / "Contents/MacOS/Ferrolin"),
            "new Ferrolin.app/Contents/MacOS/Ferrolin");
  EXPECT_TRUE(fs::exists(installedLauncher / "Contents/MacOS/Ferrolin Launcher"));
  EXPECT_NE(readFile(agent).find("<string>" +
                                 (installedLauncher / "Contents/MacOS/Ferrolin Launcher").string() +
                                 "</string>"),
            std::string::npos);
  const std::string domain = "gui/" + std::to_string(::getuid());
  EXPECT_EQ(testsupport::readRecordedCalls(tools.launchctlCalls),
            (Calls{{"bootout", domain, agent.string()},
                   {"bootstrap", domain, agent.string()},
                   {"kickstart", "-k", domain + "/com.quorrel.launcher"}}));
  EXPECT_EQ(readFile(settingsFile),
            R"({"language":"en","shortcut":"command+option+b","startAtLogin":true})");
  EXPECT_TRUE(ferrolin.application.isTerminated());
}

TEST_F(InstallerTest, InstallOnlyWritesNoAgentRunsNothingAndSavesStartAtLoginOff) {
  const auto dialogs = run({"Install Only", "Continue", "OK"});
  EXPECT_EQ(dialogs.size(), 3U);
  EXPECT_FALSE(fs::exists(agent));
  EXPECT_TRUE(testsupport::readRecordedCalls(tools.launchctlCalls).empty());
  EXPECT_EQ(settings().value("startAtLogin", true), false);
}

// An update keeps what a complete settings file says and drops what the installer does not
// write; a file without "language" counts as none.
TEST_F(InstallerTest, UpdatesKeepTheStartAtLoginStateAndACompleteSettingsFile) {
  struct Case {
    bool agentThere;
    std::string file;
    std::string written;
    std::size_t launchctlRuns;
  };
  const std::vector<Case> cases = {
      {true,
       R"({"shortcut":"control+shift+k","startAtLogin":false,"language":"fr","coverMonitor":"primary"})",
       R"({"language":"en","shortcut":"control+shift+k","startAtLogin":false})", 3},
      {false, R"({"shortcut":"control+shift+k","startAtLogin":true})",
       R"({"language":"en","shortcut":"command+option+b","startAtLogin":false})", 0},
  };
  for (const Case& update : cases) {
    fs::remove_all(home);
    fs::remove(tools.launchctlCalls);
    writeFile(installedLauncher / "Contents/MacOS/Ferrolin Launcher", "old");
    writeFile(settingsFile, update.file);
    if (update.agentThere) {
      writeFile(agent, "old agent");
    }
    EXPECT_EQ(installation(installerBundle())
                  .run(installer::InstallerChoice::install(update.agentThere, "en"), true,
                       [](double, const std::string&) {}),
              (suite::Outcome{true, "Ferrolin updated", "Ferrolin was updated successfully."}));
    EXPECT_EQ(readFile(installedLauncher / "Contents/MacOS/Ferrolin Launcher"),
              "new Ferrolin Launcher.app/Contents/MacOS/Ferrolin Launcher");
    EXPECT_EQ(readFile(settingsFile), update.written);
    EXPECT_EQ(testsupport::readRecordedCalls(tools.launchctlCalls).size(), update.launchctlRuns);
  }
}

TEST_F(InstallerTest, AnUpdateAsksWithTwoButtonsAndCancellingInEitherModeChangesNothing) {
  writeFile(installedApp / "Contents/MacOS/Ferrolin", "old");
  EXPECT_EQ(run({"Cancel"}),
            std::vector<std::string>{
                "informational Update Ferrolin: This updates Ferrolin for your user account.\nUse "
                "the launcher in Applications to start quickly, then use your configured global "
                "shortcut to show or hide Ferrolin."});
  EXPECT_EQ(readFile(installedApp / "Contents/MacOS/Ferrolin"), "old");
  EXPECT_FALSE(fs::exists(settingsFile));
  EXPECT_FALSE(ferrolin.application.isTerminated());
}

TEST_F(InstallerTest, EscapeCancelsAnInstallation) {
  const auto app = makeApp(installerBundle());
  EXPECT_EQ(run({"Escape"}, app).size(), 1U);
  EXPECT_FALSE(fs::exists(home / "Applications"));
  EXPECT_TRUE(app->finishAfterTermination(loop, 20s)) << "a cancelled run came to its end";
}

TEST_F(InstallerTest, TheDisplayLanguageFollowsTheUserAndThePopUpRewordsTheOpenDialog) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> preferred = {
      {{"fr-CA", "en"}, "fr"}, {{"pt-BR"}, "en"}, {{"zh-Hans"}, "en"},
      {{"de_DE"}, "de"},       {{}, "en"},        {{"es"}, "es"},
      {{"-DE"}, "en"},
  };
  for (const auto& [languages, code] : preferred) {
    EXPECT_EQ(installer::defaultLanguageCode(languages), code) << code;
  }
  desktop.setPreferredLanguages({"fr-CA"});
  // The dialog as it opens, and once the choice of Español has reached the program and its
  // interface has been published again (two turns of its loop later).
  std::vector<std::string> seen;
  desktop.whenAlertAppears([&](platform::EmulatedDesktop& user) {
    seen.push_back(user.renderText());
    EXPECT_TRUE(user.select("Español"));
    loop.async([&] {
      loop.async([&] {
        seen.push_back(desktop.renderText());
        EXPECT_TRUE(desktop.click("Solo instalar"));
      });
    });
  });
  desktop.whenAlertAppears([](platform::EmulatedDesktop& user) { user.click("Continuar"); });
  desktop.whenAlertAppears([](platform::EmulatedDesktop& user) { user.click("OK"); });
  const auto app = makeApp(installerBundle());
  program.application.setDelegate(app.get());
  app->applicationDidFinishLaunching();
  EXPECT_TRUE(loop.runUntil([&] { return program.application.isTerminated(); }, 20s));
  program.application.setDelegate(nullptr);
  ASSERT_EQ(seen.size(), 2U);
  EXPECT_NE(seen[0].find("\"Installer Ferrolin\""), std::string::npos) << seen[0];
  EXPECT_NE(seen[0].find("{English | Français* | Español | Deutsch}"), std::string::npos);
  const std::string steps =
      "\"1. Lanzador en ~/Applications/Ferrolin.app\\n2. App principal en ~/Library/Application "
      "Support/Ferrolin\\n3. Inicio automático opcional\"";
  for (const std::string& text : std::vector<std::string>{
           "\"Instalar Ferrolin\"", "[Instalar e iniciar al arrancar] [Solo instalar] [Cancelar]",
           "\"Qué incluye\"", steps, "\"Idioma de la interfaz\"",
           "{English | Français | Español* | Deutsch}",
           "\"Marcador de imagen: agrega installer-hero a los recursos del instalador.\""}) {
    EXPECT_NE(seen[1].find(text), std::string::npos) << text << "\n" << seen[1];
  }
  EXPECT_EQ(settings().value("language", ""), "es");
}

// A launchctl that never answers is stopped at the time limit, the ignored bootout's as well as the
// bootstrap's, and the installation ends with the startup error.
TEST_F(InstallerTest, ALaunchctlThatNeverAnswersIsStoppedAndReportedAsTheStartupError) {
  testsupport::writeNeverEndingScript(folder / "desktop/root/bin/launchctl", tools.launchctlCalls);
  launchctlTimeLimit = 200ms;
  EXPECT_EQ(run({"Install and Start at Login", "OK"}),
            (std::vector<std::string>{
                "informational Install Ferrolin: " + installBody,
                "critical Installed with a startup error: The program “launchctl” didn’t answer "
                "within 0.2 seconds and was stopped."}));
  const std::string domain = "gui/" + std::to_string(::getuid());
  EXPECT_EQ(testsupport::readRecordedCalls(tools.launchctlCalls),
            (Calls{{"bootout", domain, agent.string()}, {"bootstrap", domain, agent.string()}}));
  EXPECT_TRUE(fs::exists(agent));
  EXPECT_FALSE(fs::exists(settingsFile));
}

// What the installation reports, step by step and when it fails.
TEST_F(InstallerTest, EachFailureIsReportedInTheChosenLanguageAndStopsWhereItHappened) {
  const auto german = installer::InstallerChoice::install(true, "de");
  std::vector<std::pair<double, std::string>> reports;
  const installer::Installation::Progress record = [&](double value, const std::string& message) {
    reports.emplace_back(value, message);
  };
  // Missing resources: nothing is closed or touched.
  const std::vector<std::pair<std::vector<std::string>, std::string>> missing = {
      {{"Resources"}, "Installationsressourcen konnten nicht gefunden werden."},
      {{"Ferrolin.app"}, "Ferrolin.app wurde in diesem Installer nicht gefunden."},
      {{"Ferrolin Launcher.app"},
       "Ferrolin Launcher.app wurde in diesem Installer nicht gefunden."},
  };
  for (const auto& [parts, message] : missing) {
    fs::remove_all(folder / "FerrolinInstaller.app");
    EXPECT_EQ(installation(installerBundle(parts)).run(german, false, record),
              (suite::Outcome{false, "Installation fehlgeschlagen", message}));
  }
  EXPECT_TRUE(reports.empty());
  EXPECT_FALSE(ferrolin.application.isTerminated());
  EXPECT_FALSE(fs::exists(home / "Applications"));

  // A copy that fails keeps the installed bundle whole.
  fs::remove_all(folder / "FerrolinInstaller.app");
  const platform::Bundle withPipe = installerBundle();
  ASSERT_EQ(
      ::mkfifo((folder / "FerrolinInstaller.app/Contents/Resources/Ferrolin.app/pipe").c_str(),
               0600),
      0);
  writeFile(installedApp / "Contents/MacOS/Ferrolin", "old");
  const auto failedCopy = installation(withPipe).run(german, true, record);
  EXPECT_FALSE(failedCopy.success);
  EXPECT_EQ(failedCopy.title, "Installation fehlgeschlagen");
  EXPECT_EQ(readFile(installedApp / "Contents/MacOS/Ferrolin"), "old");
  EXPECT_EQ(reports, (std::vector<std::pair<double, std::string>>{
                         {0.1, "Laufende Ferrolin-Instanzen werden beendet..."},
                         {0.25, "Installationsordner werden vorbereitet..."},
                         {0.55, "Ferrolin-App wird installiert..."}}));
  EXPECT_TRUE(ferrolin.application.isTerminated() ||
              loop.runUntil([&] { return ferrolin.application.isTerminated(); }, 5s));

  // launchctl refusing the agent, said in the chosen language: no settings are written and the
  // agent file stays.
  fs::remove_all(folder / "FerrolinInstaller.app");
  testsupport::writeRecordingScript(folder / "desktop/root/bin/launchctl", tools.launchctlCalls, 5);
  const installer::Installation toTheAgent = installation(installerBundle());
  EXPECT_EQ(toTheAgent.run(german, false, record),
            (suite::Outcome{false, "Installiert mit Startfehler",
                            "launchctl ist beim Konfigurieren des Autostarts fehlgeschlagen."}));
  EXPECT_TRUE(fs::exists(agent));
  EXPECT_FALSE(fs::exists(settingsFile));

  // A launcher whose location a property list cannot carry: refused before any agent is written.
  const platform::FileManager oddHome{testsupport::madeFolder(folder / "h\x01me"), folder / "tmp"};
  fs::remove_all(folder / "FerrolinInstaller.app");
  const suite::Outcome refused =
      installation(installerBundle(), services(&oddHome)).run(german, false, record);
  EXPECT_EQ(refused.title, "Installiert mit Startfehler");
  EXPECT_NE(refused.message.find("can’t be written into a launch agent"), std::string::npos)
      << refused.message;
  EXPECT_FALSE(fs::exists(oddHome.homeDirectory() / "Library/LaunchAgents"));

  // A settings file that cannot be written.
  fs::create_directories(settingsFile);
  const suite::Outcome unsaved =
      toTheAgent.run(installer::InstallerChoice::install(false, "de"), true, record);
  EXPECT_FALSE(unsaved.success);
  EXPECT_EQ(unsaved.message.rfind("Die App-Dateien wurden installiert, aber die Sprache konnte "
                                  "nicht gespeichert werden: “launcher-settings.json”",
                                  0),
            0U)
      << unsaved.message;
}

// The desktop's running applications, except that Ferrolin refuses a polite request to quit.
class FerrolinRefusesToQuit final : public platform::ApplicationServices {
 public:
  explicit FerrolinRefusesToQuit(platform::ApplicationServices& desktop) : desktop_(&desktop) {}

  std::vector<pid_t> forced;

  std::vector<platform::RunningApplicationState> runningApplications() override {
    return desktop_->runningApplications();
  }
  std::optional<pid_t> frontmostApplication() override { return desktop_->frontmostApplication(); }
  bool hideApplication(pid_t pid) override { return desktop_->hideApplication(pid); }
  bool unhideApplication(pid_t pid) override { return desktop_->unhideApplication(pid); }
  bool activateApplication(pid_t pid) override { return desktop_->activateApplication(pid); }
  bool terminateApplication(pid_t pid) override {
    return pid != 7502 && desktop_->terminateApplication(pid);
  }
  bool forceTerminateApplication(pid_t pid) override {
    forced.push_back(pid);
    return desktop_->forceTerminateApplication(pid);
  }
  bool openURL(const std::string& url) override { return desktop_->openURL(url); }

 private:
  platform::ApplicationServices* desktop_;
};

TEST_F(InstallerTest, AProgramThatRefusesToQuitIsForcedAndTheInstallerPausesOnce) {
  testsupport::DesktopProgram launcher{desktop, loop, 7503, "com.quorrel.launcher",
                                       platform::ActivationPolicy::accessory};
  FerrolinRefusesToQuit refusing(*program.connection);
  int pauses = 0;
  installer::InstallationServices with = services(nullptr, [&pauses] { ++pauses; });
  with.applications = &refusing;
  EXPECT_TRUE(installation(installerBundle(), with)
                  .run(installer::InstallerChoice::install(false, "en"), false,
                       [](double, const std::string&) {})
                  .success);
  EXPECT_EQ(refusing.forced, std::vector<pid_t>{7502});
  EXPECT_EQ(pauses, 1);
  EXPECT_TRUE(std::ranges::none_of(desktop.runningApplications(), [](const auto& application) {
    return application.pid == 7502;
  }));
  EXPECT_TRUE(loop.runUntil([&] { return launcher.application.isTerminated(); }, 5s));
}

// A home folder the suite cannot trust is refused before anything is closed or written: the root of
// the disk, a link to it, and a relative path (which would install under the working folder).
TEST_F(InstallerTest, AHomeFolderThatCannotBeTrustedIsRefusedBeforeAnythingIsClosed) {
  fs::create_directory_symlink("/", folder / "link-to-root");
  const std::vector<std::pair<fs::path, std::string>> homes = {
      {"/", "Your home folder is the root of the disk, so nothing was installed."},
      {folder / "link-to-root",
       "Your home folder is the root of the disk, so nothing was installed."},
      {"home", "Your home folder “home” is not an absolute path, so nothing was installed."},
  };
  for (const auto& [where, sentence] : homes) {
    const platform::FileManager otherHome{where, folder / "tmp"};
    EXPECT_EQ(installation(installerBundle(), services(&otherHome))
                  .run(installer::InstallerChoice::install(true, "en"), false,
                       [](double, const std::string&) { ADD_FAILURE() << "a step began"; }),
              (suite::Outcome{false, "Install failed", sentence}))
        << where;
  }
  EXPECT_FALSE(ferrolin.application.isTerminated());
  EXPECT_TRUE(testsupport::readRecordedCalls(tools.launchctlCalls).empty());
}

// An installation that fails once it has closed the running programs starts them again: the
// launcher through its agent when launchd has it loaded (kickstart), else from its installed place,
// and Ferrolin from its installed place. A failure before anything was closed starts nothing.
TEST_F(InstallerTest, AFailedInstallationStartsAgainWhatItClosed) {
  const std::string domain = "gui/" + std::to_string(::getuid());
  const std::string service = domain + "/com.quorrel.launcher";
  struct Case {
    std::string what;
    int launchctlStatus;
    bool launcherRunning;
    Calls launchctl;
    Calls opened;
  };
  const std::vector<Case> cases = {
      {"copy fails, no agent loaded",
       3,
       true,
       {{"kickstart", service}},
       {{installedLauncher.string()}, {installedApp.string()}}},
      {"settings fail, agent loaded",
       0,
       true,
       {{"bootout", domain, agent.string()},
        {"bootstrap", domain, agent.string()},
        {"kickstart", "-k", service},
        {"kickstart", service}},
       {{installedApp.string()}}},
      {"settings fail, launcher not running",
       0,
       false,
       {{"bootout", domain, agent.string()},
        {"bootstrap", domain, agent.string()},
        {"kickstart", "-k", service}},
       {{installedApp.string()}}},
  };
  pid_t pid = 7600;
  for (const Case& c : cases) {
    fs::remove_all(home);
    fs::create_directory(home);
    fs::remove_all(folder / "FerrolinInstaller.app");
    testsupport::writeEmulatedTools(folder / "desktop", c.launchctlStatus);
    fs::remove(tools.launchctlCalls);
    fs::remove(tools.openCalls);
    const testsupport::DesktopProgram target{desktop, loop, ++pid, "app.ferrolin.desktop"};
    testsupport::DesktopProgram launcher{desktop, loop, ++pid, "com.quorrel.launcher",
                                         platform::ActivationPolicy::accessory};
    if (!c.launcherRunning) {
      launcher.application.terminate();
    }
    const platform::Bundle bundle = installerBundle();
    if (c.launchctlStatus != 0) {
      ASSERT_EQ(::mkfifo((bundle.resourcePath() / "Ferrolin Launcher.app/pipe").c_str(), 0600), 0);
    } else {
      fs::create_directories(settingsFile);
    }
    const suite::Outcome result = installation(bundle).run(
        installer::InstallerChoice::install(true, "en"), false, [](double, const std::string&) {});
    EXPECT_FALSE(result.success) << c.what;
    EXPECT_EQ(testsupport::readRecordedCalls(tools.launchctlCalls), c.launchctl) << c.what;
    // Both are started at once, so their records may come in either order.
    Calls opened = testsupport::awaitRecordedCalls(tools.openCalls, c.opened.size());
    Calls expected = c.opened;
    std::ranges::sort(opened);
    std::ranges::sort(expected);
    EXPECT_EQ(opened, expected) << c.what;
  }
}

// A program told to quit while it installs (its desktop went away) stops before the next step
// instead of showing a result nobody sees, and says that it did not come to its end.
TEST_F(InstallerTest, AnInstallationStopsBetweenStepsWhenTheProgramIsToldToQuit) {
  std::promise<void> told;
  const auto app = makeApp(installerBundle(), services(nullptr, [&] {
                             loop.async([&] {
                               program.application.terminate();
                               told.set_value();
                             });
                             told.get_future().wait();
                           }));
  EXPECT_EQ(run({"Install Only"}, app).size(), 1U);
  EXPECT_FALSE(app->finishAfterTermination(loop, 20s));
  EXPECT_TRUE(ferrolin.application.isTerminated());
  EXPECT_FALSE(fs::exists(home / "Applications"));
  EXPECT_FALSE(fs::exists(home / "Library"));
}

}  // namespace
