#!/usr/bin/env bash
# The program's main job, out of the box: builds the program for a loopback
# demo server, starts that server and starts the program against it.
#
# With a display, you use the window yourself. Without one (or with
# ZANQ_RUN_XVFB=1), the script starts Xvfb and plays the person: it presses the
# painted download button, answers Yes to the question, saves screenshots of
# the dialog during the download and of the question, and prints what
# happened. Arguments are passed on to the program (e.g. /download).
#
# Environment: ZANQ_RUN_PORT (default 8917, or a free port when that is
# taken), ZANQ_RUN_RATE (installer download speed in bytes per second).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

say() { printf '[run] %s\n' "$*" >&2; }

scripts/install-deps.sh

free_port() {
  python3 - "$1" <<'EOF'
import socket, sys
want = int(sys.argv[1])
for port in (want, 0):
    s = socket.socket()
    try:
        s.bind(("127.0.0.1", port))
        print(s.getsockname()[1])
        break
    except OSError:
        pass
    finally:
        s.close()
EOF
}
port=$(free_port "${ZANQ_RUN_PORT:-8917}")

# The program's hosts are compiled in; this build points them at the demo server.
build=$root/build/run
say "building the program for the demo server on 127.0.0.1:$port (in build/run)"
mkdir -p "$build"
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
         -DZANQ_DOWNLOAD_HOST="127.0.0.1:$port" -DZANQ_HINT_HOST="127.0.0.1:$port" \
         -DZANQ_SITE_HOST=127.0.0.1 &&
       cmake --build "$build" --target zanq-downloader -j "$(nproc)"; } >"$build/build.log" 2>&1; then
  tail -n 40 "$build/build.log" >&2
  say "the build failed (whole log: $build/build.log)"
  exit 1
fi
program=$build/bin/zanq-downloader

work=$build/demo
rm -rf "$work"
mkdir -p "$work/tmp" "$work/screens"
# The program puts the installer and the hint scratch files into the
# temporary directory; give it one of its own so that nothing else mixes in.
export TMPDIR=$work/tmp TMP=$work/tmp TEMP=$work/tmp

pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
  done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    wait "${pids[i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

python3 scripts/demo-server.py --port "$port" --port-file "$work/port" \
  --installer-log "$work/installer.log" --rate "${ZANQ_RUN_RATE:-1048576}" >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
[ -s "$work/port" ] || { cat "$work/server.log" >&2; say "the demo server did not start"; exit 1; }
tail -n +1 -f "$work/server.log" >&2 &
pids+=($!)

summary() {
  local rc=$1 installer
  sleep 0.3 # let the server's last lines reach the log
  echo
  echo "== What happened"
  installer=$work/tmp/ZanqPlayBundleInstaller.exe
  if [ -f "$installer" ]; then
    echo "bytes downloaded:     $(stat -c %s "$installer") (into $installer)"
  else
    echo "bytes downloaded:     none (no installer in $work/tmp)"
  fi
  echo "installer requests:   $(grep -c 'ZanqPlay.exe' "$work/server.log" || true)"
  echo "hints received:       $(grep -o "hint '[^']*'" "$work/server.log" | sed "s/hint //; s/'//g" | paste -sd ' ' || true)"
  if [ -s "$work/installer.log" ]; then
    echo "installer:            $(tail -n 1 "$work/installer.log")"
  else
    echo "installer:            did not run"
  fi
  echo "program's exit code:  $rc"
  if compgen -G "$work/screens/*.png" >/dev/null; then
    echo "screenshots:          $(ls "$work"/screens/*.png | paste -sd ' ')"
  fi
}

if [ "${ZANQ_RUN_XVFB:-0}" != 1 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  say "starting the program on $DISPLAY; press the download button in its window"
  set +e
  "$program" "$@"
  rc=$?
  set -e
  summary "$rc"
  exit 0
fi

# No display: a virtual one, and the script plays the person.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; say "Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
say "no display: started Xvfb on $DISPLAY and playing the person with xdotool"

"$program" "$@" &
program_pid=$!
pids+=("$program_pid")

wait_window() { # title, seconds -> window id
  timeout "$2" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}
shot() { import -window root "$work/screens/$1.png" && say "screenshot: $work/screens/$1.png"; }

played=1
dialog=$(wait_window "Download the Zanq Play Bundle" 20) || true
if [ -n "$dialog" ]; then
  say "pressing the download button"
  xdotool mousemove --window "$dialog" 300 210 click 1
  sleep 1
  shot dialog-downloading
  question=$(wait_window "The download is complete:" 120) || true
  if [ -n "$question" ]; then
    sleep 0.3
    shot question
    say "answering Yes (Enter)"
    xdotool key Return
  else
    say "the question did not appear"
    shot no-question
    played=0
  fi
else
  say "the dialog did not appear"
  played=0
fi

# The program ends by itself once the installer has been launched.
rc=
for _ in $(seq 300); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    set +e
    wait "$program_pid"
    rc=$?
    set -e
    break
  fi
  sleep 0.1
done
if [ -z "$rc" ]; then
  say "the program did not end within 30 s; stopping it"
  kill "$program_pid" 2>/dev/null || true
  rc=timeout
fi
summary "$rc"
[ "$played" = 1 ] && [ "$rc" = 0 ]
