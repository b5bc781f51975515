#!/usr/bin/env bash
# Runs a test binary on a private X server in four desktops: bare, a window manager alone, a
# notification area alone, and both. Each desktop is started afresh and taken down after.
# Exits 77 (skipped) when Xvfb, openbox or trayer is missing.
set -u
test_binary=$1
here=$(cd "$(dirname "$0")" && pwd)
# Sanitizer builds: what the X11 platform plugin's libraries keep until exit is not ours.
export LSAN_OPTIONS="suppressions=$here/x11_lsan.supp:print_suppressions=0"
for tool in Xvfb openbox trayer xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done

pids=()
log_dir=$(mktemp -d)
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  pids=()
}
trap 'cleanup; rm -rf "$log_dir"' EXIT

# Waits (bounded) until the condition command succeeds.
wait_for() {
  for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  echo "gave up waiting for: $*" >&2
  return 1
}
start_openbox() {
  openbox --sm-disable >"$log_dir/openbox.log" 2>&1 &
  pids+=($!)
  wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}
run_desktop() {  # NAME WM(0/1) TRAY(0/1)
  local name=$1 wm=$2 tray=$3 display status
  # The server picks a free display number itself and writes it once it is ready, so
  # parallel runs never meet.
  : >"$log_dir/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$log_dir/display" >/dev/null 2>&1 &
  pids+=($!)
  wait_for grep -q '[0-9]' "$log_dir/display" || return 1
  display=$(tr -dc '0-9' <"$log_dir/display")
  export DISPLAY=":$display"
  # Clients that start at once must find the server taking connections (a loaded machine once
  # left openbox unable to open the display it had just been told of).
  wait_for xprop -root || return 1
  if [ "$wm" = 1 ]; then
    start_openbox || { echo "openbox did not start; retrying once" >&2; start_openbox; } ||
      { cat "$log_dir/openbox.log" >&2; return 1; }
  fi
  if [ "$tray" = 1 ]; then
    trayer --edge bottom --align right --widthtype pixel --width 64 --height 24 \
      >/dev/null 2>&1 &
    pids+=($!)  # the test waits for the tray to take its selection
  fi
  echo "== desktop: $name"
  # The notification area must be the embedded kind under test, not a session bus service.
  env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb TRAY_WM="$wm" \
    TRAY_EXPECT=$([ "$tray" = 1 ] && echo tray || echo tab) \
    timeout 120 "$test_binary"
  status=$?
  cleanup
  return $status
}

failed=0
run_desktop "bare X server" 0 0 || failed=1
run_desktop "window manager" 1 0 || failed=1
run_desktop "notification area" 0 1 || failed=1
run_desktop "window manager and notification area" 1 1 || failed=1
exit $failed
