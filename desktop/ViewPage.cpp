#include "ViewPage.h"

#include <string_view>

#include <nlohmann/json.hpp>

namespace desktop {
namespace {

constexpr std::string_view appNamesMark = "__APP_NAMES__";

constexpr std::string_view page = R"page(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Ferrolin desktop</title>
<style>
  :root { color-scheme: light; --ink: #1d1d1f; --muted: #6e6e73; --line: #dcdce1;
          --accent: #0a66d8; }
  * { box-sizing: border-box; }
  html, body { margin: 0; height: 100%; }
  body { display: flex; flex-direction: column; background: #ececf0; color: var(--ink);
         font: 14px/1.45 system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; }
  header { display: flex; align-items: baseline; gap: 14px; padding: 10px 20px;
           background: #fff; border-bottom: 1px solid var(--line); }
  header h1 { margin: 0; font-size: 15px; font-weight: 600; }
  #status { font-size: 12px; color: var(--muted); }
  #status::before { content: ""; display: inline-block; width: 8px; height: 8px;
                    margin-right: 6px; border-radius: 50%; background: #b8b8bd; }
  #status.live::before { background: #34c759; }
  main { flex: 1; display: flex; gap: 20px; padding: 16px 20px; min-height: 0; }
  #stage { flex: 1; min-width: 0; display: flex; justify-content: center;
           align-items: flex-start; }
  #screen { display: block; border-radius: 6px; background: #d6d6db;
            box-shadow: 0 8px 28px rgba(0, 0, 0, 0.18); user-select: none; }
  #screen:not(.ready) { visibility: hidden; }
  aside { flex: none; width: 280px; overflow: auto; font-size: 13px; }
  section { background: #fff; border: 1px solid var(--line); border-radius: 10px;
            padding: 12px 14px; margin-bottom: 12px; }
  h2 { margin: 0 0 8px; font-size: 11px; font-weight: 600; letter-spacing: 0.05em;
       text-transform: uppercase; color: var(--muted); }
  p, ul { margin: 0; }
  ul { padding-left: 18px; }
  li + li { margin-top: 4px; }
  .hint { font-size: 12px; color: var(--muted); margin-top: 6px; }
  .row { display: flex; flex-wrap: wrap; gap: 8px; }
  button { font: inherit; color: var(--ink); background: #f5f5f7; cursor: pointer;
           border: 1px solid var(--line); border-radius: 7px; padding: 5px 12px; }
  button:hover { background: #ebebef; }
  button.modifier { min-width: 42px; font-size: 17px; padding: 3px 0; }
  button.modifier[aria-pressed="true"] { background: var(--accent); border-color: var(--accent);
                                         color: #fff; }
  #apps button { width: 100%; text-align: left; }
  kbd { font: 11px ui-monospace, monospace; white-space: nowrap; background: #f5f5f7; border: 1px solid var(--line);
        border-radius: 4px; padding: 0 4px; }
  @media (max-width: 820px) {
    main { flex-direction: column; }
    aside { width: auto; }
  }
</style>
</head>
<body>
<header>
  <h1>Ferrolin desktop</h1>
  <span id="status">Connecting…</span>
</header>
<main>
  <div id="stage">
    <img id="screen" alt="The emulated desktop's screen" draggable="false">
  </div>
  <aside>
    <section>
      <h2>Modifier keys</h2>
      <div class="row">
        <button id="sticky-command" class="modifier" title="Command" aria-pressed="false"
                data-word="command">⌘</button>
        <button id="sticky-option" class="modifier" title="Option" aria-pressed="false"
                data-word="option">⌥</button>
        <button id="sticky-control" class="modifier" title="Control" aria-pressed="false"
                data-word="control">⌃</button>
        <button id="sticky-shift" class="modifier" title="Shift" aria-pressed="false"
                data-word="shift">⇧</button>
      </div>
      <p class="hint">A pressed button joins the next key you type.</p>
    </section>
    <section id="open-section">
      <h2>Open</h2>
      <div id="apps" class="row"></div>
    </section>
    <section>
      <h2>How to</h2>
      <ul>
        <li>The launcher's shortcut shows Ferrolin: <kbd>⌘⌥B</kbd> at first; on a PC keyboard
          <kbd>Windows</kbd> <kbd>Alt</kbd> <kbd>B</kbd>, or ⌘ above, then
          <kbd>Alt</kbd> <kbd>B</kbd>. Once you change it in Settings, the new one.</li>
        <li>The launcher's item in the menu bar opens its menu and Settings.</li>
        <li>Click as on a Mac; <kbd>Return</kbd> and <kbd>Esc</kbd> answer a dialog.</li>
        <li>“Open” starts an application as a double click on it would: the installer or the
          uninstaller again, or, after “Install Only”, the launcher installed in
          ~/Applications.</li>
      </ul>
    </section>
    <section>
      <h2>Not on this page</h2>
      <p>Dragging or resizing windows, typing text into fields, right clicks, more than one
        screen.</p>
    </section>
  </aside>
</main>
<script>
"use strict";
const appNames = __APP_NAMES__;
const token = new URLSearchParams(location.search).get("token") || "";
const screen = document.getElementById("screen");
const stage = document.getElementById("stage");
const statusLabel = document.getElementById("status");
window.viewTimings = [];

function withToken(path) {
  return path + (path.includes("?") ? "&" : "?") + "token=" + encodeURIComponent(token);
}

function post(path, body) {
  return fetch(withToken(path), { method: "POST", body: JSON.stringify(body) })
    .catch(() => {});
}

// The screen's size in points, known once the first frame has loaded.
let points = null;

function fit() {
  if (!points) {
    return;
  }
  const top = stage.getBoundingClientRect().top;
  const room = Math.max(200, window.innerHeight - top - 16);
  const factor = Math.min(1, stage.clientWidth / points.width, room / points.height);
  screen.style.width = Math.floor(points.width * factor) + "px";
  screen.style.height = Math.floor(points.height * factor) + "px";
}
window.addEventListener("resize", fit);

function pixelRatio() {
  return Math.min(3, Math.max(1, window.devicePixelRatio || 1));
}

// The first frame loads with the page; the stream's changes bring the next ones.
let shownScale = pixelRatio();
screen.onload = () => {
  points = { width: screen.naturalWidth / shownScale, height: screen.naturalHeight / shownScale };
  fit();
  screen.classList.add("ready");
};
screen.src = withToken("/frame?scale=" + shownScale);

// Frames: never two loads at once; the newest change is loaded when the current load is done, and
// a failed load waits for the next change. A frame is fetched and decoded before it replaces the
// one shown.
let newest = null;
let attempted = null;
let loading = false;

function loadNewest() {
  if (loading || newest === null || newest === attempted) {
    return;
  }
  loading = true;
  attempted = newest;
  const scale = pixelRatio();
  const requested = performance.now();
  const next = new Image();
  fetch(withToken("/frame?scale=" + scale + "&n=" + attempted))
    .then((response) => {
      if (!response.ok) {
        throw new Error("frame " + response.status);
      }
      return response.blob();
    })
    .then((blob) => {
      next.src = URL.createObjectURL(blob);
      return next.decode();
    })
    .then(() => {
      const previous = screen.src;
      shownScale = scale;
      screen.src = next.src;
      if (previous.startsWith("blob:")) {
        URL.revokeObjectURL(previous);
      }
      // Shown: the browser paints the frame that follows this callback.
      requestAnimationFrame(() => {
        const shown = performance.now();
        for (const timing of window.viewTimings) {
          if (timing.shown === null && timing.sent < requested) {
            timing.shown = shown;
          }
        }
      });
    })
    .catch(() => {})
    .finally(() => {
      loading = false;
      loadNewest();
    });
}

const events = new EventSource(withToken("/events"));
events.onopen = () => {
  statusLabel.textContent = "Live";
  statusLabel.className = "live";
};
events.onerror = () => {
  statusLabel.textContent = "Not connected: is desktopctl view still running?";
  statusLabel.className = "";
};
events.onmessage = (message) => {
  newest = Number(message.data);
  loadNewest();
};

screen.addEventListener("click", (event) => {
  if (!points) {
    return;
  }
  const box = screen.getBoundingClientRect();
  const x = (event.clientX - box.left) * points.width / box.width;
  const y = (event.clientY - box.top) * points.height / box.height;
  window.viewTimings.push({ sent: performance.now(), shown: null });
  post("/click", { x: x, y: y });
});

// Keys, by their place on the keyboard, as the desktop's key words.
const namedKeys = {
  Space: "space", Enter: "return", NumpadEnter: "keypad-enter", Escape: "escape", Tab: "tab",
  Backspace: "delete", ArrowLeft: "left", ArrowRight: "right", ArrowUp: "up", ArrowDown: "down",
};

function keyWord(code) {
  let match = /^Key([A-Z])$/.exec(code) || /^Digit([0-9])$/.exec(code);
  if (match) {
    return match[1].toLowerCase();
  }
  match = /^F([1-9]|1[0-2])$/.exec(code);
  if (match) {
    return "f" + match[1];
  }
  return namedKeys[code] || null;
}

const stickyButtons = Array.from(document.querySelectorAll("button.modifier"));

document.addEventListener("keydown", (event) => {
  const word = keyWord(event.code);
  if (!word) {
    return;
  }
  event.preventDefault();
  const held = { command: event.metaKey, option: event.altKey, control: event.ctrlKey,
                 shift: event.shiftKey };
  for (const button of stickyButtons) {
    if (button.getAttribute("aria-pressed") === "true") {
      held[button.dataset.word] = true;
      button.setAttribute("aria-pressed", "false");
    }
  }
  const words = ["command", "option", "control", "shift"].filter((name) => held[name]);
  words.push(word);
  post("/key", { shortcut: words.join("+") });
});

for (const button of stickyButtons) {
  button.addEventListener("click", () => {
    const pressed = button.getAttribute("aria-pressed") === "true";
    button.setAttribute("aria-pressed", pressed ? "false" : "true");
  });
}

const appsBox = document.getElementById("apps");
appNames.forEach((name, index) => {
  const button = document.createElement("button");
  button.id = "open-" + index;
  button.textContent = "Open " + name;
  button.addEventListener("click", () => post("/open", { app: index }));
  appsBox.appendChild(button);
});
if (appNames.length === 0) {
  document.getElementById("open-section").hidden = true;
}

// Buttons never keep the focus, so Return and Space always go to the desktop.
for (const button of document.querySelectorAll("button")) {
  button.addEventListener("mousedown", (event) => event.preventDefault());
}
</script>
</body>
</html>
)page";

}  // namespace

std::string viewPage(const std::vector<std::string>& appNames) {
  // ASCII JSON, and no "<" that could end the script element.
  std::string names;
  for (const char character : nlohmann::json(appNames).dump(-1, ' ', true)) {
    names += character == '<' ? std::string("\\u003c") : std::string(1, character);
  }
  std::string text(page);
  text.replace(text.find(appNamesMark), appNamesMark.size(), names);
  return text;
}

}  // namespace desktop
