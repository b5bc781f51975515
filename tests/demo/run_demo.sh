#!/usr/bin/env bash
# Runs the README's demo command as a user would, on a virtual X server: scripts/demo builds,
# then starts hostsim with vantor1 attached. Once vantor1 has registered, read the demo's
# notification list back and opened a board for one of its players with no typing, Ctrl-C
# (SIGINT) goes to the demo, which must end with status 0, vantor1 with it.
# Every wait is bounded. Usage: tests/demo/run_demo.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
runner=
cleanup() {
  [ -n "$runner" ] && kill "$runner" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "run_demo: $*" >&2
  [ -f "$work/log" ] && sed 's/^/  | /' "$work/log" >&2
  exit 1
}
# Waits up to $1 seconds for the command after it to succeed; gives up at once when the demo
# has ended.
await() {
  local limit=$(($(date +%s) + $1))
  shift
  until "$@"; do
    [ ! -s "$work/status" ] && [ "$(date +%s)" -lt "$limit" ] || return 1
    sleep 0.2
  done
}

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c \
  '"$1/scripts/demo" --rate 120 >"$2/log" 2>&1 & echo $! >"$2/pid"; wait $!; echo $? >"$2/status"' \
  bash "$root" "$work" &
runner=$!

# The build comes first and takes as long as it takes on a busy machine; the demo then has a
# minute to start vantor1 and see it register.
await 3600 grep -qs '^hostsim demo: ' "$work/log" || fail "the demo did not start"
await 60 grep -qs 'vantor1 registered' "$work/log" || fail "vantor1 did not register"
await 20 grep -qs '<- =gnotify   (answered' "$work/log" || fail "vantor1 did not ask for the list"
# hostsim logs "board opened: game N" for each board it reports to vantor1 as observed.
await 30 grep -qsE 'board opened: game [0-9]+' "$work/log" || fail "no board opened"
kill -INT "$(cat "$work/pid")"
limit=$(($(date +%s) + 20))
until [ -s "$work/status" ]; do
  [ "$(date +%s)" -lt "$limit" ] || fail "the demo did not end after Ctrl-C"
  sleep 0.2
done
[ "$(cat "$work/status")" = 0 ] || fail "the demo ended with status $(cat "$work/status")"
wait "$runner" || true
runner=
echo "run_demo: registered, read the list, opened a board and ended cleanly on Ctrl-C"
