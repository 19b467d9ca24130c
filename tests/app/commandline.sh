#!/usr/bin/env bash
# The command line answers --help and --version on the terminal and ends
# with status 0, with no display to open windows on; an unknown option is
# refused with status 1 and a message before any window opens (Qt's own
# options are only known once a display is there, hence offscreen).
# Usage: commandline.sh /path/to/quiltfolio
set -uo pipefail

app=$1
failed=0
check() { # name platform expected-status pattern arguments...
  local name=$1 platform=$2 expected=$3 pattern=$4
  shift 4
  local out status
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ${platform:+QT_QPA_PLATFORM=$platform} \
    timeout 20 "$app" "$@" 2>&1)
  status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "$name: status $status, expected $expected; printed:"
    echo "$out"
    failed=1
  elif ! grep -qE -- "$pattern" <<<"$out"; then
    echo "$name: printed no line matching '$pattern':"
    echo "$out"
    failed=1
  fi
}

check "--help" "" 0 '^Usage: .*quiltfolio.*\[documents\.\.\.\]' --help
check "-h" "" 0 '--version' -h
check "--version" "" 0 '^Quiltfolio [0-9]+\.[0-9]+' --version
check "help after a document" "" 0 '^Usage:' /nonexistent.quiltfolioproj --help
check "unknown option" offscreen 1 "Unknown option 'no-such-option'" --no-such-option
exit $failed
