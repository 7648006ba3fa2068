#!/usr/bin/env bash
# Records a headless sway through the ScreenCast portal: a private session bus, PipeWire and
# WirePlumber, sway without outputs of hardware, the wlr portal told to pick its one output
# without asking, and xdg-desktop-portal. The background turns from red to blue while
# `pictoreel-cli record` runs; the frames must show red first and blue last.
# Usage: headless_portal_recording.sh PICTOREEL-CLI. Exits 77 (skipped) when a program is missing.
set -uo pipefail
cli=$1
portal=/usr/libexec/xdg-desktop-portal
wlr=/usr/libexec/xdg-desktop-portal-wlr
for p in dbus-daemon pipewire wireplumber sway swaymsg swaybg convert "$portal" "$wlr"; do
  command -v "$p" >/dev/null 2>&1 || { echo "skipped: $p is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway

# Waits up to 10 s for the command to succeed.
wait_for() { for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; echo "gave up waiting for: $*"; return 1; }
# Starts a program in the background, its output kept in the log.
start() { "$@" >>"$work/log" 2>&1 & pids+=($!); }
fail() { echo "$1"; echo "--- log"; tail -n 40 "$work/log"; exit 1; }

dbus-daemon --session --nofork --print-address=3 --address="unix:path=$XDG_RUNTIME_DIR/bus" 3>"$work/bus" >>"$work/log" 2>&1 &
pids+=($!)
wait_for test -s "$work/bus" || fail "no session bus"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")

start pipewire
wait_for test -S "$XDG_RUNTIME_DIR/pipewire-0" || fail "pipewire did not start"
start wireplumber

cat >"$work/sway.conf" <<CONF
output HEADLESS-1 resolution 320x240 bg #ff0000 solid_color
CONF
# sway refuses to run as root: there it runs as nobody, in a runtime folder open to it.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null 2>&1 || { echo "skipped: running as root without setpriv"; exit 77; }
  chmod 755 "$work" && chmod 1777 "$XDG_RUNTIME_DIR"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman start "${as_user[@]}" sway -c "$work/sway.conf"
wait_for sh -c "ls $XDG_RUNTIME_DIR/wayland-* | grep -v lock" || fail "sway did not start"
export WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-* | grep -v lock | head -n1)")
export SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.* | head -n1)
wait_for swaymsg -t get_outputs || fail "sway does not answer"

cat >"$work/wlr.conf" <<CONF
[screencast]
chooser_type=none
output_name=HEADLESS-1
CONF
start "$wlr" -l DEBUG -c "$work/wlr.conf"
wait_for dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner \
  string:org.freedesktop.impl.portal.desktop.wlr || fail "the wlr portal did not start"
start "$portal"
wait_for dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner \
  string:org.freedesktop.portal.Desktop || fail "xdg-desktop-portal did not start"

( sleep 1.5; swaymsg output HEADLESS-1 bg '#0000ff' solid_color >/dev/null ) &
if ! "$cli" record -o "$work/frames" --fps 10 --duration 3 >"$work/list" 2>>"$work/log"; then
  # xdg-desktop-portal-wlr 0.7 shares a screen only when the compositor offers DMA-BUF buffers,
  # which needs a GPU's render node: without one every step up to Start runs, and Start fails.
  if ! ls /dev/dri/renderD* >/dev/null 2>&1 && grep -q "unable to receive a valid format" "$work/log"; then
    echo "skipped: no /dev/dri render node; the portal answered CreateSession and SelectSources, and Start failed as it does without one"
    exit 77
  fi
  fail "recording failed"
fi
count=$(wc -l <"$work/list")
[ "$count" -ge 2 ] || fail "only $count frames"
colour() { convert "$1" -format '%[fx:int(255*p{5,5}.r)],%[fx:int(255*p{5,5}.b)]' info:; }
first=$(colour "$(head -n1 "$work/list" | cut -d' ' -f2-)")
last=$(colour "$(tail -n1 "$work/list" | cut -d' ' -f2-)")
size=$(identify -format '%wx%h' "$(head -n1 "$work/list" | cut -d' ' -f2-)")
echo "frames: $count, size $size, first $first, last $last"
[ "$first" = "255,0" ] || fail "the first frame is not red: $first"
[ "$last" = "0,255" ] || fail "the last frame is not blue: $last"
[ "$size" = "320x240" ] || fail "the frames are $size, not the output's 320x240"
echo ok
