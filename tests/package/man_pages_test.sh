#!/bin/sh
# The manual pages against the programs: every option that --help lists is in the page and every
# option of the page is in --help, and a rendered page keeps the lines meant as lines.
# Usage: man_pages_test.sh MAN_SOURCE_DIR VANTOR1 VANTOR1_RELAY HOSTSIM
mandir=$1; shift
command -v scdoc >/dev/null && command -v man >/dev/null || { echo "needs scdoc and man"; exit 77; }
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
failed=0
for program in "$@"; do
  name=$(basename "$program")
  page="$mandir/$name.1.scd"
  # The names in the option rows ("  -h,--help  this text"), not the options that texts mention.
  "$program" --help | sed -n 's/^  \(-[^ ]*\).*/\1/p' | grep -o -- '--[a-z][a-z-]*' |
    sort -u >"$tmp/help"
  grep -o -- '\*--[a-z][a-z-]*\*' "$page" | tr -d '*' | sort -u >"$tmp/page"
  if ! diff "$tmp/help" "$tmp/page" >"$tmp/diff"; then
    echo "FAIL: $name: options of --help (<) and of $name(1) (>) differ:"; cat "$tmp/diff"
    failed=1
  fi
  scdoc <"$page" >"$tmp/$name.1" || { echo "FAIL: scdoc $name"; failed=1; }
done
# hostsim(1) shows the two forms of a received message on two lines.
if MANWIDTH=100 man -l "$tmp/hostsim.1" 2>/dev/null | grep -q '< KIND value N.*< KIND'; then
  echo "FAIL: hostsim(1) runs the two message lines together"; failed=1
fi
exit $failed
