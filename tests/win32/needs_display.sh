#!/bin/sh
# Runs a test that opens windows under Wine, or skips it (status 77) without a display.
if [ -z "${DISPLAY:-}" ]; then
  echo "skipped: needs a display (run the Windows tests under xvfb-run)"
  exit 77
fi
exec "$@"
