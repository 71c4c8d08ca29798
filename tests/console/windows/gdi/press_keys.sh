#!/usr/bin/env bash
# Runs beside key_press_test under the same DISPLAY: gives the Wine desktop
# the X focus (there is no window manager on Xvfb) and presses space until
# the test says it has its key. Markers live in the test's working directory.
rm -f gdi_key_ready gdi_key_done
for _ in $(seq 1 300); do
  [ -e gdi_key_ready ] && break
  sleep 0.1
done
for _ in $(seq 1 120); do
  [ -e gdi_key_done ] && break
  desktop=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -n 1)
  if [ -n "$desktop" ]; then
    xdotool windowfocus --sync "$desktop" 2>/dev/null
    xdotool mousemove 100 100 2>/dev/null
    xdotool key space 2>/dev/null
  fi
  sleep 0.5
done
rm -f gdi_key_ready gdi_key_done
