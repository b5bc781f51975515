#!/bin/sh
# What a user meets at the command line of each program: --help without a display, usage errors
# and start-up failures as one line with their reason and status, no Qt abort.
# Usage: command_lines_test.sh VANTOR1 VANTOR1_RELAY HOSTSIM
vantor1=$1 relay=$2 hostsim=$3
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
failed=0

# expect STATUS STDOUT_PATTERN STDERR_PATTERN COMMAND...: the status, a line of each stream
# matching its pattern (grep -E; empty: the stream is empty), and stderr one line at most.
expect() {
  status=$1 out=$2 err=$3; shift 3
  "$@" >"$dir/out" 2>"$dir/err" </dev/null
  got=$?
  if [ "$got" -ne "$status" ] ||
     { [ -n "$out" ] && ! grep -Eq -- "$out" "$dir/out"; } ||
     { [ -z "$err" ] && [ -s "$dir/err" ]; } ||
     { [ -n "$err" ] && ! grep -Eq -- "$err" "$dir/err"; } ||
     [ "$(wc -l <"$dir/err")" -gt 1 ]; then
    echo "FAIL: $* -> status $got (want $status)"; sed 's/^/  out: /' "$dir/out" | head -5
    sed 's/^/  err: /' "$dir/err"; failed=1
  fi
}

expect 0 'vantor1-relay --client' '' env -u DISPLAY -u WAYLAND_DISPLAY "$vantor1" --help
expect 0 '^vantor1 [0-9]' '' env -u DISPLAY "$vantor1" --version
expect 2 '' '^vantor1: .*--bogus' "$vantor1" --bogus
expect 1 '' '^vantor1: cannot open the display ":987"' env QT_QPA_PLATFORM=xcb DISPLAY=:987 "$vantor1"
expect 1 '' '^vantor1: cannot open the display: DISPLAY is not set' \
  env -u DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE "$vantor1"
expect 2 '' '^vantor1-relay: --vantor: /nonexistent: No such file' "$relay" --vantor /nonexistent s
expect 2 '' '^vantor1-relay: .*--listen' "$relay" --listen x:99999 s
expect 2 '' '^hostsim: .*--index-base: must be even' "$hostsim" --index-base 3 --attach 1 s
# Failures that are not usage errors: their reason, and no pointer to --help.
expect 2 '' '^hostsim: cannot read the script /nonexistent: No such file or directory$' \
  "$hostsim" --attach 1 /nonexistent
expect 2 '' '^hostsim: cannot start /nonexistent/vantor1: No such file or directory$' \
  "$hostsim" --spawn /nonexistent/vantor1 /dev/null
mkdir -m 700 "$dir/run" && : >"$dir/run/vantor1"  # a file where the private directory goes
expect 2 '' '^hostsim: cannot create the thread message queue: .*XDG_RUNTIME_DIR.*' \
  env XDG_RUNTIME_DIR="$dir/run" "$hostsim" --attach 1 /dev/null
exit $failed
