#!/usr/bin/env python3
"""How quickly desktopctl view's page shows what a click did, and what the view costs while idle.

In headless Chromium on the page of a desktop showing the installer's first dialog, a hundred
clicks alternately open and close the language pop-up's entries; the page records, for each click,
when it sent it and when the next frame finished loading (window.viewTimings). Then, with the page
open and nothing changing, the view's processor time and its threads' wake-ups are counted over ten
seconds.

Usage: view_latency.py <build folder> [clicks]
"""

import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "browser"))
from view_journey import Journey  # noqa: E402  (the harness of the browser test)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def wakeups_and_cpu(pid):
    """Context switches of every thread of the process, and its processor time in seconds."""
    switches = 0
    for thread in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, thread), encoding="utf-8") as status:
            for line in status:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    switches += int(line.split()[1])
    with open("/proc/%d/stat" % pid, encoding="utf-8") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])
    return switches, ticks / os.sysconf("SC_CLK_TCK")


def main():
    clicks = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    person = Journey(sys.argv[1])
    try:
        person.start()
        person.press_button("open-0")
        person.shows("Install Ferrolin")
        person.driver.execute_script("window.viewTimings = []")
        for index in range(clicks):
            # Open the entries, then close them with a click beside the dialog.
            if index % 2 == 0:
                person.click("languagePopup")
            else:
                person.click_at(20, 500)
            deadline = time.monotonic() + 5
            while time.monotonic() < deadline:
                done = person.driver.execute_script(
                    "return window.viewTimings.filter(t => t.shown !== null).length")
                if done > index:
                    break
                time.sleep(0.002)
        timings = person.driver.execute_script("return window.viewTimings")
        latencies = [t["shown"] - t["sent"] for t in timings if t.get("shown") is not None]
        print("click to the new frame shown, over %d clicks: p50 %.1f ms, p99 %.1f ms, "
              "mean %.1f ms, max %.1f ms" % (len(latencies), percentile(latencies, 0.5),
                                             percentile(latencies, 0.99),
                                             statistics.mean(latencies), max(latencies)))
        view = person.view.pid
        time.sleep(2)
        switches, cpu = wakeups_and_cpu(view)
        time.sleep(10)
        switches_after, cpu_after = wakeups_and_cpu(view)
        print("idle, page open, 10 s: %d wake-ups of the view's threads, %.3f s of processor time"
              % (switches_after - switches, cpu_after - cpu))
    finally:
        person.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
