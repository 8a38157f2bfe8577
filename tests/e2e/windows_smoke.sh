#!/usr/bin/env bash
# Smoke test of the 64-bit Windows program under Wine, on a private X server.
#
#   windows_smoke.sh EXE PICTURE [LINUX_PROGRAM]
#
# EXE is the x86_64 ZanqDownloader.exe, PICTURE the dialog's bitmap it was
# built with. Checks, through screenshots and real pointer and key events:
#  - the dialog appears with its picture and with the status text, the
#    progress bar and Cancel hidden;
#  - a press inside the painted button's hot spot shows them, Cancel hides
#    them, and closing the dialog ends the program with exit code 0;
#  - started with /download, the dialog shows them from its first picture,
#    and closing it during the download still ends with exit code 0;
#  - the picture and the controls sit where the dialog template puts them
#    and, given LINUX_PROGRAM (the Linux build with its X11 backend), where
#    the Linux build shows them.
# With ZANQ_SMOKE_SHOTS set to a folder, the screenshots of both builds' dialogs
# with the controls shown are kept there (windows-dialog.png, linux-dialog.png).
# Wine's URL moniker returns from the blocking stream call at once, so these
# runs use a stand-in urlmon.dll that keeps the call blocking (progress
# only, no network; see windows_smoke_urlmon.cpp). One last run with Wine's
# own urlmon only reports what happens to a download there; it judges
# nothing. Prints one line per step; exits non-zero on the first failure.
set -euo pipefail

[ $# -ge 2 ] || { echo "usage: $0 EXE PICTURE [LINUX_PROGRAM]" >&2; exit 2; }
exe=$(realpath "$1")
picture=$(realpath "$2")
linux_program=${3:+$(realpath "$3")}
here=$(cd "$(dirname "$0")" && pwd)

caption="Download the Zanq Play Bundle"
failure_caption="Download failed:"
screen_tool="$here/windows_smoke_screen.py"

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
mingw_cxx=x86_64-w64-mingw32-g++-posix

started=$(date +%s.%N)
step() { printf 'windows smoke: %-62s %s\n' "$1" "$2"; }
fail() {
  step "$1" "FAIL"
  shift
  for line in "$@"; do echo "    $line"; done
  exit 1
}
elapsed() { awk -v now="$(date +%s.%N)" -v then="$1" 'BEGIN { printf "%.1f s", now - then }'; }

work=$(mktemp -d /tmp/zanq-windows-smoke.XXXXXX)
xvfb_pid=""
program_pid=""
linux_pid=""
trickle_pid=""
cleanup() {
  set +e
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$linux_pid" ] && kill "$linux_pid" 2>/dev/null
  [ -n "$trickle_pid" ] && kill "$trickle_pid" 2>/dev/null
  WINEPREFIX="$work/prefix" "$wineserver" -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# --- The stage: an X server, a Wine prefix, the program beside the stand-in.
for tool in "$wine" "$wineserver" Xvfb xdotool xwininfo import convert python3 "$mingw_cxx"; do
  command -v "$tool" >/dev/null || fail "tools present" "missing: $tool"
done

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "X server started" "$(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64
# No prompts for the .NET and HTML engines, which the program never uses.
export WINEDLLOVERRIDES="mscoree,mshtml="
t=$(date +%s.%N)
timeout 150 "$wine" wineboot -i >"$work/wineboot.log" 2>&1 || fail "Wine prefix created" "$(tail -5 "$work/wineboot.log")"
# Debian's Wine leaves its own fonts out of a new prefix; without MS Sans
# Serif the dialog units (and so the whole layout) come out wider.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
step "Wine prefix created" "ok ($(elapsed "$t"))"

mkdir -p "$work/app"
cp "$exe" "$work/app/ZanqDownloader.exe"
"$mingw_cxx" -std=c++20 -Wall -Wextra -Werror -O2 -shared -static -s \
  -o "$work/app/urlmon.dll" "$here/windows_smoke_urlmon.cpp" -luuid 2>"$work/urlmon.log" \
  || fail "blocking urlmon stand-in built" "$(cat "$work/urlmon.log")"
export ZANQ_SMOKE_URL_LOG="$work/urls.log"

# --- Looking at the dialog.
window=""
find_window() {  # NAME SECONDS: sets window to the X window with that name
  local deadline=$(( $(date +%s) + $2 ))
  window=""
  while [ "$(date +%s)" -le "$deadline" ]; do
    window=$(xdotool search --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && return 0
    sleep 0.1
  done
  return 1
}

# Screenshot of $window, analysed: sets found, x, y, mismatch, changed, box.
look() {
  found=0 changed=0 box=none x=0 y=0 mismatch=
  import -window "$window" -depth 8 "ppm:$work/shot.ppm" 2>/dev/null || return 0
  eval "$(python3 "$screen_tool" "$work/shot.ppm" "$picture")"
}

# Controls count as shown when a clear block of pixels differs from the
# picture; as hidden when (practically) none does.
shown() { [ "$found" = 1 ] && [ "$changed" -ge 2000 ]; }
hidden() { [ "$found" = 1 ] && [ "$changed" -le 20 ]; }
wait_until() {  # CONDITION SECONDS [ONCE]: re-looks until the condition holds
  local deadline=$(( $(date +%s) + $2 ))
  while :; do
    look
    "$1" && return 0
    [ "$(date +%s)" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}
keep_shot() {  # NAME: keeps the last screenshot when asked to
  [ -n "${ZANQ_SMOKE_SHOTS:-}" ] || return 0
  mkdir -p "$ZANQ_SMOKE_SHOTS"
  convert "$work/shot.ppm" "$ZANQ_SMOKE_SHOTS/$1.png" 2>/dev/null || true
}
describe() { echo "picture found=$found at $x,$y (mismatch $mismatch), changed pixels $changed, box $box"; }

# Client-area size of $window and the template's layout in its pixels: the
# dialog is 413 x 185 dialog units.
measure_units() {
  read -r width height < <(xwininfo -id "$window" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')
}
client_point() {  # X_DLU Y_DLU: prints the client pixel of a dialog-unit point
  echo "$(( $1 * width / 413 )) $(( $2 * height / 185 ))"
}

press() {  # X Y in client pixels
  xdotool mousemove --window "$window" "$1" "$2" click 1
}
close_dialog() {
  xdotool windowfocus --sync "$window" key --clearmodifiers alt+F4
}
wait_exit() {  # PID SECONDS: sets status to the exit code, or fails
  local deadline=$(( $(date +%s) + $2 ))
  while kill -0 "$1" 2>/dev/null; do
    [ "$(date +%s)" -ge "$deadline" ] && return 1
    sleep 0.1
  done
  status=0
  wait "$1" || status=$?
  return 0
}

start_program() {  # ARGS...: starts the program, waits for its dialog
  ( cd "$work/app" && exec "$wine" ZanqDownloader.exe "$@" ) >"$work/program.log" 2>&1 &
  program_pid=$!
  find_window "$caption" 60 || fail "dialog appears" "no window named '$caption' within 60 s" "$(tail -5 "$work/program.log")"
  measure_units
}

hot_spot_x=337 hot_spot_y=213  # the middle of the hot spot (280..395, 202..224)

# --- 1. Plain start: picture alone, press, Cancel, close.
export WINEDLLOVERRIDES="mscoree,mshtml=;urlmon=n"
t=$(date +%s.%N)
start_program
wait_until hidden 15 || fail "dialog shows the picture, controls hidden" "$(describe)"
step "dialog shows the picture, controls hidden (${width}x${height})" "ok ($(elapsed "$t"))"
[ "$x" = 0 ] && [ "$y" = 0 ] || fail "picture at the client area's top-left corner" "$(describe)"
step "picture at the client area's top-left corner" "ok"

press "$hot_spot_x" "$hot_spot_y"
wait_until shown 10 || fail "a press inside the hot spot shows the controls" "$(describe)"
windows_box=$box
keep_shot windows-dialog
step "a press inside the hot spot shows the controls" "ok (box $box)"
grep -q '/zanq/ZanqPlay.exe$' "$work/urls.log" 2>/dev/null \
  && grep -q '/service/hint?fceid=vkozanqappdl10&host=' "$work/urls.log" \
  || fail "the press asks for the installer and the start hint" "requested: $(tr '\n' ' ' <"$work/urls.log" 2>/dev/null)"
step "the press asks for the installer and the start hint" "ok"

# Template check: status text (190,146 145x9), bar (189,157 146x14) and
# Cancel (339,157 50x14) in dialog units; the text's glyphs start a few
# pixels inside its control.
read -r left top < <(client_point 189 146)
read -r right bottom < <(client_point 389 171)
IFS=, read -r bx0 by0 bx1 by1 <<<"$box"
near() { local d=$(( $1 - $2 )); [ "${d#-}" -le "$3" ]; }
near "$bx0" "$left" 3 && near "$bx1" "$right" 3 && near "$by1" "$bottom" 3 && [ "$by0" -ge $(( top - 1 )) ] && [ "$by0" -le $(( top + 6 )) ] \
  || fail "controls where the template puts them" "box $box, template $left,$top,$right,$bottom"
step "controls where the template puts them ($left,$top,$right,$bottom)" "ok"

read -r cancel_x cancel_y < <(client_point 364 164)
press "$cancel_x" "$cancel_y"
wait_until hidden 10 || fail "Cancel hides the controls" "$(describe)"
step "Cancel hides the controls" "ok"

press "$hot_spot_x" "$hot_spot_y"
wait_until shown 10 || fail "a second press shows them again" "$(describe)"
step "a second press shows them again" "ok"

close_dialog
wait_exit "$program_pid" 20 || fail "closing ends the program" "still running 20 s after Alt+F4"
program_pid=""
[ "$status" = 0 ] || fail "closing ends the program with exit code 0" "exit code $status"
step "closing during a download ends the program with exit code 0" "ok"

# --- 2. /download: the controls from the start.
t=$(date +%s.%N)
# Nobody presses anything here: controls on screen mean the press that the
# dialog simulates while it initialises.
start_program /download
wait_until shown 10 || fail "with /download the controls are shown from the start" "$(describe)"
step "with /download the controls are shown from the start" "ok ($(elapsed "$t"))"
close_dialog
wait_exit "$program_pid" 20 || fail "closing ends the program" "still running 20 s after Alt+F4"
program_pid=""
[ "$status" = 0 ] || fail "closing ends the program with exit code 0" "exit code $status"
step "closing ends the program with exit code 0" "ok"

# --- 3. The Linux build's dialog in the same place.
if [ -n "$linux_program" ]; then
  python3 "$here/windows_smoke_trickle.py" "$work/trickle.port" &
  trickle_pid=$!
  for _ in $(seq 1 50); do [ -s "$work/trickle.port" ] && break; sleep 0.1; done
  proxy="http://127.0.0.1:$(cat "$work/trickle.port")"
  mkdir -p "$work/linux-tmp"
  ( export ZANQ_UI=x11 TMPDIR="$work/linux-tmp" http_proxy="$proxy" HTTP_PROXY="$proxy"
    unset no_proxy NO_PROXY
    exec "$linux_program" ) >"$work/linux.log" 2>&1 &
  linux_pid=$!
  find_window "$caption" 30 || fail "Linux dialog appears" "$(tail -5 "$work/linux.log")"
  measure_units
  wait_until hidden 10 || fail "Linux dialog shows the picture, controls hidden" "$(describe)"
  linux_x=$x linux_y=$y
  press $(( x + hot_spot_x )) $(( y + hot_spot_y ))
  wait_until shown 10 || fail "Linux dialog shows the controls after a press" "$(describe)"
  linux_box=$box
  keep_shot linux-dialog
  IFS=, read -r lx0 ly0 lx1 ly1 <<<"$linux_box"
  IFS=, read -r wx0 wy0 wx1 wy1 <<<"$windows_box"
  [ "$linux_x" = 0 ] && [ "$linux_y" = 0 ] \
    && near "$lx0" "$wx0" 3 && near "$lx1" "$wx1" 3 && near "$ly0" "$wy0" 4 && near "$ly1" "$wy1" 3 \
    || fail "Windows and Linux builds agree on where picture and controls sit" \
            "Windows: picture at 0,0, controls $windows_box" "Linux: picture at $linux_x,$linux_y, controls $linux_box"
  step "Windows and Linux builds agree on picture and controls" "ok ($windows_box vs $linux_box)"
  kill "$linux_pid" 2>/dev/null || true
  wait "$linux_pid" 2>/dev/null || true
  linux_pid=""
else
  step "Windows and Linux builds agree on picture and controls" "skipped (no Linux program given)"
fi

# --- 4. Wine's own URL moniker: observed, not judged.
export WINEDLLOVERRIDES="mscoree,mshtml=;urlmon=b"
rm -f "$work/app/urlmon.dll"
start_program /download
if find_window "$failure_caption" 10; then
  observed="the download fails at once: '$failure_caption' is shown"
  for _ in 1 2 3 4 5; do  # answer the box until it is gone
    xdotool windowfocus --sync "$window" key Return 2>/dev/null || true
    sleep 0.5
    find_window "$failure_caption" 0 || break
  done
else
  observed="no failure message within 10 s"
fi
find_window "$caption" 5 && close_dialog || true
if wait_exit "$program_pid" 10; then observed="$observed; exit code $status after closing"; else observed="$observed; still running after closing"; fi
program_pid=""
step "with Wine's own urlmon (not judged)" "observed: $observed"

step "total" "$(elapsed "$started")"
