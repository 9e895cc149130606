#include "DesktopCtl.h"

#include <poll.h>

#include <chrono>
#include <string>
#include <utility>
#include <variant>

#include "CtlFormatting.h"
#include "DesktopLayout.h"

namespace desktop {
namespace {

// How long `stop` waits for the daemon to end after it accepted the shutdown.
constexpr std::chrono::seconds shutdownLimit{10};

// Waits until the daemon closes the connection, which it does as it ends. False when it is still
// open at the deadline.
bool waitUntilClosed(platform::DesktopChannel& channel, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (channel.readAvailable()) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return false;
    }
    pollfd waiting{channel.fileDescriptor(), POLLIN, 0};
    ::poll(&waiting, 1, static_cast<int>(left.count()));
  }
  return true;
}

// An error the channel reports when the daemon could not be reached or the connection ended.
bool isConnectionError(const platform::Error& error) {
  return error.code == -1;
}

}  // namespace

DesktopCtl::DesktopCtl(std::filesystem::path desktopFolder, std::filesystem::path toolFolder,
                       std::ostream& out, std::ostream& err, platform::ProcessLauncher launcher,
                       const platform::FileManager& files)
    : desktopFolder_(std::move(desktopFolder)),
      toolFolder_(std::move(toolFolder)),
      out_(&out),
      err_(&err),
      launcher_(std::move(launcher)),
      files_(&files) {}

int DesktopCtl::run(const CtlCommand& command) {
  switch (command.kind) {
    case CtlCommand::Kind::help:
      *out_ << ctlUsage() << std::flush;
      return 0;
    case CtlCommand::Kind::start:
      return start();
    case CtlCommand::Kind::stop:
      return stop();
    case CtlCommand::Kind::screenshot:
      return screenshot(command);
    case CtlCommand::Kind::view:
      return view(command);
    case CtlCommand::Kind::request:
      return request(command);
  }
  return 1;
}

platform::Result<platform::DesktopChannel> DesktopCtl::connect() const {
  return platform::DesktopChannel::connect(platform::DesktopChannel::socketPath(desktopFolder_));
}

int DesktopCtl::failed(const platform::Error& error) const {
  *err_ << "desktopctl: " << error.localizedDescription << "\n";
  return error.code == 2 ? 2 : 1;
}

int DesktopCtl::start() {
  if (connect()) {
    *err_ << "desktopctl: a desktop daemon already runs in " << desktopFolder_.string() << "\n";
    return 1;
  }
  if (auto laidOut = layOutDesktopFolder(desktopFolder_, toolFolder_, *files_); !laidOut) {
    return failed(laidOut.error());
  }
  const auto status = launcher_.run(toolFolder_ / "desktopd", {desktopFolder_.string()});
  if (!status) {
    return failed(status.error());
  }
  if (*status != 0) {
    *err_ << "desktopctl: desktopd could not start (exit status " << *status << "); see "
          << (desktopFolder_ / "desktopd.log").string() << "\n";
    return 1;
  }
  CtlCommand login;
  login.kind = CtlCommand::Kind::request;
  login.request = platform::control::Login{};
  login.output = CtlOutput::labels;
  return request(login);
}

int DesktopCtl::stop() {
  auto channel = connect();
  if (!channel) {
    *err_ << "desktopctl: no desktop daemon runs in " << desktopFolder_.string() << "\n";
    return 1;
  }
  int status = 0;
  if (auto loggedOut = channel->request(platform::control::Logout{}); !loggedOut) {
    status = failed(loggedOut.error());
    if (isConnectionError(loggedOut.error())) {
      return status;
    }
  }
  if (auto stopped = channel->request(platform::control::Shutdown{}); !stopped) {
    return failed(stopped.error());
  }
  if (!waitUntilClosed(*channel, shutdownLimit)) {
    *err_ << "desktopctl: the desktop daemon did not end within " << shutdownLimit.count()
          << " seconds\n";
    return 1;
  }
  return status;
}

int DesktopCtl::request(const CtlCommand& command) {
  auto channel = connect();
  if (!channel) {
    return failed(channel.error());
  }
  auto result =
      std::visit([&](const auto& asked) { return channel->request(asked); }, command.request);
  if (!result) {
    return failed(result.error());
  }
  *out_ << formatResult(command.output, *result, command.json) << std::flush;
  return 0;
}

}  // namespace desktop
