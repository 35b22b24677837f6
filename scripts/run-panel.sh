#!/usr/bin/env bash
# Starts the panel, or explains in one line how to when there is no display.
set -u
exe=$1; shift
if [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset); run it under a virtual display: xvfb-run -a make run" >&2
  exit 1
fi
exec "$exe" "$@"
