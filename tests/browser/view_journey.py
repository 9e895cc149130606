#!/usr/bin/env python3
"""A person's journey through the suite in a real browser.

`desktopctl view` serves an emulated desktop; headless Chromium, driven through its WebDriver,
opens the page and does what a person would with the mouse and the keyboard: installs from the
installer's dialog, presses the shortcut, opens the status menu and Settings, records a new
shortcut and applies it, and uninstalls. After each step the home folder and the daemon's state are
checked. Where to click is asked of the desktop (`desktopctl locate`), which places things as the
picture draws them; the click itself lands on the picture in the page.

Usage: view_journey.py <build folder>. Exits 77 (skipped) when Chromium, its driver or Selenium is
missing (`scripts/setup browser` installs them), except in CI, where that is a failure.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

# In CI the browser must be there: a missing piece fails instead of skipping.
SKIPPED = 1 if os.environ.get("CI") == "true" else 77
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError:
    print("python3-selenium is not installed (scripts/setup browser installs it)")
    sys.exit(SKIPPED)

LAUNCHER = "com.quorrel.launcher"
FERROLIN = "app.ferrolin.desktop"


class Journey:
    """A desktop of its own with the web service stand-in, the view, and a browser on the page."""

    def __init__(self, build):
        self.build = os.path.abspath(build)
        self.work = tempfile.mkdtemp(prefix="ferrolin-browser.")
        self.home = os.path.join(self.work, "home")
        os.makedirs(self.home)
        os.makedirs(os.path.join(self.work, "tmp"))
        self.env = dict(os.environ, HOME=self.home, TMPDIR=os.path.join(self.work, "tmp"),
                        EMULATED_DESKTOP=os.path.join(self.work, "desktop"))
        self.processes = []
        self.driver = None
        self.scale = None  # the page's pixels per point of the screen

    def start(self):
        service = self.spawn([self.tool("webservice"), "--version", "1.1.0"],
                             stderr=subprocess.DEVNULL)  # its log of requests
        origin = service.stdout.readline().strip()
        config = os.path.join(self.work, "launcher-config.json")
        with open(config, "w", encoding="utf-8") as file:
            json.dump({"targetAppName": "Ferrolin", "bundleIdentifier": FERROLIN,
                       "currentVersion": "1.0.0", "apiOrigin": origin,
                       "hotkeys": ["command+option+b"]}, file)
        self.env["QUORREL_LAUNCHER_CONFIG"] = config
        self.ctl("start")
        self.installer = os.path.join(self.build, "bundles", "FerrolinInstaller.app")
        uninstaller = os.path.join(self.build, "bundles", "FerrolinUninstaller.app")
        launcher = os.path.join(self.home, "Applications", "Ferrolin.app")
        self.view = self.spawn([self.tool("desktopctl"), "view", "--app", self.installer,
                                "--app", uninstaller, "--app", launcher])
        self.address = self.view.stdout.readline().strip()
        check(self.address.startswith("http://127.0.0.1:"), "the view printed " + self.address)
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium")
        for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                         "--window-size=1700,1200", "--force-device-scale-factor=1"):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")),
                                       options=options)
        self.driver.get(self.address)
        self.screen = self.driver.find_element(By.ID, "screen")

    def stop(self):
        if self.driver:
            self.driver.quit()
        subprocess.run([self.tool("desktopctl"), "stop"], env=self.env, capture_output=True,
                       check=False)
        for process in self.processes:
            process.terminate()
            process.wait(timeout=10)
        shutil.rmtree(self.work, ignore_errors=True)

    def tool(self, name):
        return os.path.join(self.build, "bin", name)

    def spawn(self, command, stderr=None):
        process = subprocess.Popen(command, env=self.env, stdout=subprocess.PIPE, stderr=stderr,
                                   text=True)
        self.processes.append(process)
        return process

    def ctl(self, *arguments, check_status=True):
        result = subprocess.run([self.tool("desktopctl"), *arguments], env=self.env,
                                capture_output=True, text=True, check=False)
        if check_status:
            check(result.returncode == 0, "desktopctl %s: %s" % (" ".join(arguments),
                                                                 result.stderr.strip()))
        return result

    def wait(self, *condition):
        self.ctl("wait", *condition, "--timeout", "20")

    def shows(self, text, timeout=20):
        """Waits until the desktop's screen, as text, holds `text`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if text in self.ctl("show").stdout:
                return
            time.sleep(0.05)
        raise AssertionError("the screen never showed %r:\n%s" % (text, self.ctl("show").stdout))

    def frame(self):
        """The number of the frame the page shows: it loads each new frame as the daemon tells."""
        return self.driver.execute_script("return document.getElementById('screen').src")

    def click(self, name):
        """A click, in the browser, on the middle of what the desktop calls `name`."""
        x, y, width, height = (float(word) for word in self.ctl("locate", name).stdout.split())
        self.click_at(x + width / 2, y + height / 2)

    def click_at(self, x, y):
        """A click, in the browser, on a point of the screen (points from its top left)."""
        if self.scale is None:
            screens = json.loads(self.ctl("screens", "--json").stdout)
            self.scale = self.screen.size["width"] / screens[0]["width"]
        # Offsets from the middle of the picture, in the page's pixels.
        ActionChains(self.driver).move_to_element_with_offset(
            self.screen, round(x * self.scale - self.screen.size["width"] / 2),
            round(y * self.scale - self.screen.size["height"] / 2)).click().perform()

    def keys(self, *keys):
        """A key chord typed while the page has the focus: modifiers held, then the key."""
        chain = ActionChains(self.driver)
        for key in keys[:-1]:
            chain.key_down(key)
        chain.send_keys(keys[-1])
        for key in reversed(keys[:-1]):
            chain.key_up(key)
        chain.perform()

    def press_button(self, identifier):
        """A click on one of the page's own buttons."""
        self.driver.find_element(By.ID, identifier).click()

    def installed(self, relative):
        return os.path.exists(os.path.join(self.home, relative))

    def application(self, identifier):
        for application in json.loads(self.ctl("apps", "--json").stdout):
            if application.get("bundleIdentifier") == identifier:
                return application
        return None


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def eventually(condition, message, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.05)
    raise AssertionError(message)


def journey(person):
    # The page's button opens the installer; the page shows its dialog, and a frame follows each
    # change of the screen.
    person.press_button("open-0")
    person.shows("Install Ferrolin")
    first = person.frame()
    person.click("Install Only")
    person.shows("Quick Start")
    eventually(lambda: person.frame() != first, "the page never loaded a new frame")
    person.click("Continue")
    person.shows("Ferrolin installed")
    person.click("OK")
    person.wait("gone", "com.quorrel.installer")
    check(person.installed("Applications/Ferrolin.app"), "the launcher is installed")
    check(person.installed("Library/Application Support/Ferrolin/Ferrolin.app"),
          "Ferrolin is installed")
    check(not person.installed("Library/LaunchAgents/com.quorrel.launcher.plist"),
          "Install Only sets up no start at login")

    # Installed only, the launcher is not running: the page's button opens it from ~/Applications.
    person.press_button("open-2")
    person.wait("hotkey", "command+option+b")

    # The shortcut, typed on the page, shows Ferrolin.
    person.keys(Keys.META, Keys.ALT, "b")
    person.wait("shown", FERROLIN)

    # The status menu and Settings; a new shortcut recorded in the field and applied.
    person.click(LAUNCHER)
    person.shows("Settings")
    person.click("Settings")
    person.wait("window", "Ferrolin Launcher Settings")
    person.click("shortcutCapture")
    person.keys(Keys.CONTROL, Keys.ALT, "k")
    person.click("Apply")
    person.wait("hotkey", "control+option+k")
    settings = os.path.join(person.home, "Library", "Application Support", "Ferrolin",
                            "launcher-settings.json")
    eventually(lambda: "control+option+k" in open(settings, encoding="utf-8").read(),
               "the new shortcut is saved")
    person.keys(Keys.CONTROL, Keys.ALT, "k")
    person.wait("hidden", FERROLIN)

    # The uninstaller, opened from the page's own button, removes app and data.
    person.press_button("open-1")
    person.shows("Remove App and Data")
    person.click("Remove App and Data")
    person.shows("Continue")
    person.click("Continue")
    person.shows("OK")
    person.click("OK")
    person.wait("gone", "com.quorrel.uninstaller")
    check(not person.installed("Applications/Ferrolin.app"), "the launcher is removed")
    check(not person.installed("Library/Application Support/Ferrolin"), "the data is removed")
    check(person.application(LAUNCHER) is None, "the launcher has quit")


def main():
    if not (shutil.which("chromium") and shutil.which("chromedriver")):
        print("Chromium or its driver is not installed (scripts/setup browser installs them)")
        return SKIPPED
    person = Journey(sys.argv[1])
    try:
        person.start()
        journey(person)
    finally:
        person.stop()
    print("The journey passed in the browser.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
