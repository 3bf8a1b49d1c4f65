#!/usr/bin/env bash
# The real workbench program on a virtual X display: it starts, shows its window titled "Tessaline",
# paints something that is not blank, answers the keyboard (F5 makes and processes a series), and
# ends with status 0 on " Exit" (Ctrl+Q). Without a display to open (none named, an empty name, a
# dead one) it says so in one line on stderr and ends with status 1, and so does its display check
# (--check-display), which answers 0 on the virtual display. With a folder as second argument the screenshots stay
# there (alphabet.png, result.png, and statistics.png of a statistical simulation run from the menu
# with its dialogs as shown, which takes a while).
set -uo pipefail

# Waits up to `seconds` for a window whose title matches; its id.
wait_for_window() {
  local title="$1" seconds="$2"
  for _ in $(seq 1 $((seconds * 10))); do
    local found
    found="$(xdotool search --name "$title" 2>/dev/null | head -1)"
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.1
  done
  return 1
}

# For the pictures kept: " Statistical Simulation" from the menu with its dialogs confirmed as
# shown, then its graph.
statistics_picture() {
  local window="$1" work="$2"
  xdotool mousemove 70 8 click 1
  sleep 0.5
  xdotool mousemove 138 167 click 1
  wait_for_window '^Create Series$' 10 >/dev/null && xdotool key Return
  wait_for_window '^ Location Parameters$' 10 >/dev/null && xdotool key Return
  wait_for_window '^getPulseEstAsRepeats$' 10 >/dev/null && xdotool key Return
  wait_for_window 'Show Statistical Simulation' 300 >/dev/null && xdotool key Return
  sleep 1
  import -window root "$work/statistics.png"
}

# Outside any display: the program and its display check end with one line and status 1.
without_display() {
  local program="$1" work="$2" failed=0
  for display in unset "" ":7345"; do
    for check in "" --check-display; do
      local status
      if [ "$display" = unset ]; then
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" $check >"$work/out" 2>"$work/err"
      else
        env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$program" $check >"$work/out" 2>"$work/err"
      fi
      status=$?
      local lines
      lines="$(wc -l <"$work/err")"
      if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ] || ! grep -q '^tessaline: cannot start the Qt platform "xcb": no display$' "$work/err"; then
        echo "FAIL: DISPLAY $display ${check:-(window)}: status $status, $lines lines on stderr:" >&2
        cat "$work/err" >&2
        failed=1
      fi
    done
  done
  return $failed
}

# Inside the virtual display: run_session PROGRAM WORK [KEEP]
run_session() {
  local program="$1" work="$2" keep="${3:-}"
  export QT_QPA_PLATFORM=xcb
  "$program" --check-display >"$work/out" 2>&1 || { echo "FAIL: --check-display refused the display" >&2; cat "$work/out" >&2; return 1; }
  "$program" >"$work/out" 2>&1 &
  local pid=$!
  # A first start on a fresh machine may spend a while building the font cache.
  local window
  window="$(wait_for_window '^Tessaline$' 60)"
  if [ -z "$window" ]; then
    echo "FAIL: no window titled Tessaline appeared" >&2
    cat "$work/out" >&2
    kill "$pid" 2>/dev/null
    return 1
  fi
  sleep 1
  import -window root "$work/alphabet.png"
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key --window "$window" F5 2>/dev/null
  # The new series is on the screen once the picture changes.
  for _ in $(seq 1 60); do
    sleep 0.5
    import -window root "$work/result.png"
    cmp -s "$work/alphabet.png" "$work/result.png" || break
  done
  [ -n "$keep" ] && statistics_picture "$window" "$work"
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key --window "$window" ctrl+q 2>/dev/null
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: the program did not end on Exit" >&2
    kill "$pid"
    return 1
  fi
  wait "$pid"
  local status=$?
  [ "$status" -eq 0 ] || { echo "FAIL: the program ended with status $status" >&2; cat "$work/out" >&2; return 1; }
  return 0
}
if [ "${1:-}" = "--session" ]; then
  run_session "$2" "$3" "${4:-}"
  exit $?
fi

program="$1"
keep="${2:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
without_display "$program" "$work" || failures=$((failures + 1))
# The X platform's D-Bus and font libraries keep blocks the leak checker of the sanitizer build
# reports; they are not the workbench's.
printf 'leak:libdbus-1.so\nleak:libfontconfig.so\n' >"$work/leaks.supp"
export LSAN_OPTIONS="suppressions=$work/leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# -noreset: the server would otherwise reset when the display check, its only client, ends, and a
# program connecting during that reset is refused.
xvfb-run -a -s "-screen 0 1600x1000x24 -noreset" "$0" --session "$program" "$work" "$keep" || failures=$((failures + 1))

# A picture that is not blank has many colours; the result differs from the alphabet.
for shot in alphabet result; do
  colours="$(convert "$work/$shot.png" -format '%k' info: 2>/dev/null || echo 0)"
  if [ "${colours:-0}" -lt 3 ]; then
    echo "FAIL: the $shot screenshot is blank ($colours colours)" >&2
    failures=$((failures + 1))
  fi
done
if cmp -s "$work/alphabet.png" "$work/result.png"; then
  echo "FAIL: F5 changed nothing on the screen" >&2
  failures=$((failures + 1))
fi
[ -n "$keep" ] && cp "$work"/*.png "$keep"/ 2>/dev/null
exit $((failures > 0))
