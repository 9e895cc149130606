# shellcheck shell=bash
# What scripts/demo, scripts/pictures and scripts/try share; sourced by them, from the top of the
# clone, with `pictures` naming the folder the pictures go to (scripts/try takes none). It sets the machine up and builds the default
# preset (saying what it does, with the build's progress on one line), starts a local stand-in of
# the product's web service that publishes version 1.1.0 and an emulated desktop with a
# throw-away home in a temporary folder (removed when the script ends), and defines the helpers
# the scripts use: step, screen, picture, await, await_screen, await_ferrolin, home_contents.

# Reads the build's output: Ninja's "[n/m] ..." lines become one updating line on a terminal (cut to
# its width) or a progress line at every quarter otherwise; every other line (a compiler's message,
# Ninja's report of a failure) is printed in full.
build_progress() {
  local line width=80 quarter=0 updating=""
  if [ -t 1 ]; then
    width=$(stty size </dev/tty 2>/dev/null | cut -d' ' -f2) || true
    [[ $width =~ ^[0-9]+$ ]] && [ "$width" -gt 1 ] || width=80
  fi
  while IFS= read -r line; do
    if [[ $line =~ ^\[([0-9]+)/([0-9]+)\]\  ]]; then
      if [ -t 1 ]; then
        printf '\r\033[K%s' "${line:0:width-1}"
        updating=1
      elif ((BASH_REMATCH[1] * 4 >= (quarter + 1) * BASH_REMATCH[2])); then
        quarter=$((BASH_REMATCH[1] * 4 / BASH_REMATCH[2]))
        echo "  ${BASH_REMATCH[1]} of ${BASH_REMATCH[2]} steps done"
      fi
    elif [ "$line" != "ninja: no work to do." ]; then
      [ -n "$updating" ] && printf '\r\033[K'
      updating=""
      printf '%s\n' "$line"
    fi
  done
  [ -n "$updating" ] && printf '\r\033[K'
  return 0
}

echo "Checking the Debian packages the build needs..."
scripts/setup
build="$PWD/build/default"
if [ -x "$build/bin/desktopctl" ]; then
  echo "Building the suite..."
else
  echo "Building the suite (first time: several minutes)..."
fi
cmake --preset default >/dev/null
if ! cmake --build --preset default 2>&1 | build_progress; then
  echo "The build failed; its messages are above." >&2
  exit 1
fi

desktopctl="$build/bin/desktopctl"
[ -z "${pictures:-}" ] || mkdir -p "$pictures"
work="$(mktemp -d "${TMPDIR:-/tmp}/ferrolin-session.XXXXXX")"
export EMULATED_DESKTOP="$work/desktop" HOME="$work/home" TMPDIR="$work/tmp"
mkdir -p "$HOME" "$TMPDIR"
# shellcheck disable=SC2034 # the scripts that source this start bundles with it
open="$EMULATED_DESKTOP/root/usr/bin/open"

service_pid=""
finish() {
  "$desktopctl" stop >/dev/null 2>&1 || true
  if [ -n "$service_pid" ]; then
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap finish EXIT

step() { printf '\n=== %s\n' "$*"; }
screen() { "$desktopctl" show; }
# Draws the screen, or with --window <title> one window or alert, or with --menu <bundle id> that
# status item's menu opened, into $pictures/<name>.png.
picture() {
  local name=$1
  shift
  "$desktopctl" screenshot "$pictures/$name.png" "$@"
  echo "(picture: $name.png)"
}
ferrolin() { "$desktopctl" apps | grep -F app.ferrolin.desktop || echo "(Ferrolin is not running)"; }
# Waits (up to 10 s) until the command's output holds the text.
await() {
  local text=$1
  shift
  for _ in $(seq 100); do
    "$@" | grep -qF -- "$text" && return
    sleep 0.1
  done
  echo "\"$*\" never showed $text" >&2
  return 1
}
await_screen() { await "$1" "$desktopctl" show; }
# Waits (up to 10 s) until Ferrolin's state column reads as given ("frontmost,active", "hidden").
await_ferrolin() {
  for _ in $(seq 100); do
    "$desktopctl" apps | grep -F app.ferrolin.desktop | grep -qE "[[:space:]]$1[[:space:]]" && return
    sleep 0.1
  done
  echo "Ferrolin did not become $1" >&2
  return 1
}
# What the home holds, one path a line, "~/" for the home.
home_contents() { (cd "$HOME" && find . -mindepth 1 | sort | sed 's|^\./|  ~/|'); }

step "The product's web service (a local stand-in) publishes version 1.1.0"
"$build/bin/webservice" --version 1.1.0 >"$work/service-address" 2>"$work/service.log" &
service_pid=$!
await 127.0.0.1 cat "$work/service-address"
origin="$(head -n 1 "$work/service-address")"
echo "Listening on $origin"

# The installed launcher reports version 1.0.0 and asks the local service. The desktop and every
# program it starts, the launcher included, inherit this variable.
cat >"$work/launcher-config.json" <<JSON
{"targetAppName": "Ferrolin", "bundleIdentifier": "app.ferrolin.desktop",
 "currentVersion": "1.0.0", "apiOrigin": "$origin", "hotkeys": ["command+option+b"]}
JSON
export QUORREL_LAUNCHER_CONFIG="$work/launcher-config.json"

step "An emulated desktop starts and the user logs in (home: $HOME, empty)"
"$desktopctl" start
"$desktopctl" apps
home_contents

