#!/usr/bin/env bash
# Download benchmark: serves files from nginx on loopback and downloads each
# with fetch (release build) and with curl, alternating, several times.
# Prints every run, then per size the median wall times, their ratio and the
# peak resident set sizes, and checks them against the targets.
#
#   bench/run.sh                 # 64 MiB and 1 GiB, 5 runs each
#   SIZES_MIB="64" RUNS=3 bench/run.sh
#   FETCH=/path/to/fetch bench/run.sh   # skip the build
#   OUT_DIR=/dev/shm bench/run.sh       # write the downloads to memory, not disk
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sizes_mib=${SIZES_MIB:-"64 1024"}
runs=${RUNS:-5}
build=${BUILD_DIR:-$root/build/release}

for tool in /usr/sbin/nginx /usr/bin/time curl python3; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

if [ -z "${FETCH:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target fetch -j 2 >/dev/null
  FETCH=$build/bin/fetch
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zanq-bench.XXXXXX")
nginx_pid=
cleanup() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work" "${out:-}"
}
trap cleanup EXIT INT TERM

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/www" "$work/temp"
# Where both tools write their download (a folder of its own, removed at the end).
out=$(mktemp -d "${OUT_DIR:-$work}/zanq-bench-out.XXXXXX")
cat >"$work/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $work/temp/body;
  proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi;
  uwsgi_temp_path $work/temp/uwsgi;
  scgi_temp_path $work/temp/scgi;
  default_type application/octet-stream;
  sendfile on;
  tcp_nopush on;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
  }
}
CONF

for size in $sizes_mib; do
  head -c "$((size * 1024 * 1024))" /dev/urandom >"$work/www/body-$size.bin"
done

/usr/sbin/nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
nginx_pid=$!
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$port/" 2>/dev/null && break
  sleep 0.05
done

# measure NAME SIZE COMMAND...: one timed run; appends "NAME SIZE SECONDS RSS_KIB".
measure() {
  local name=$1 size=$2
  shift 2
  rm -f "$out/body"
  sync
  local start=$EPOCHREALTIME
  /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
    echo "bench: $name failed:" >&2; cat "$work/stderr.txt" >&2; exit 1; }
  local end=$EPOCHREALTIME
  local rss
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  local seconds
  seconds=$(python3 -c "print(f'{$end - $start:.3f}')")
  cmp -s "$out/body" "$work/www/body-$size.bin" || { echo "bench: $name delivered a wrong body" >&2; exit 1; }
  printf '%-6s %5s MiB  %7.3f s  %6d KiB\n' "$name" "$size" "$seconds" "$rss"
  echo "$name $size $seconds $rss" >>"$work/results.txt"
}

echo "fetch: $FETCH"
echo "curl:  $(curl --version | head -1)"
echo "runs:  $runs per size, alternating; downloads written to $(df --output=fstype "$out" | tail -1) at $out"
for size in $sizes_mib; do
  url="http://127.0.0.1:$port/body-$size.bin"
  for run in $(seq "$runs"); do
    measure fetch "$size" "$FETCH" "$url" "$out/body"
    measure curl "$size" curl -s -o "$out/body" "$url"
  done
done

python3 - "$work/results.txt" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
sizes = sorted({int(r[1]) for r in rows})
def pick(name, size, column):
    return [float(r[column]) for r in rows if r[0] == name and int(r[1]) == size]
print()
peaks = {}
for size in sizes:
    fetch_wall = statistics.median(pick("fetch", size, 2))
    curl_wall = statistics.median(pick("curl", size, 2))
    fetch_rss = max(pick("fetch", size, 3)) / 1024
    curl_rss = max(pick("curl", size, 3)) / 1024
    peaks[size] = fetch_rss
    print(f"{size} MiB: median wall fetch {fetch_wall:.3f} s, curl {curl_wall:.3f} s, "
          f"ratio fetch/curl {fetch_wall / curl_wall:.2f}; "
          f"peak RSS fetch {fetch_rss:.1f} MiB, curl {curl_rss:.1f} MiB")
if 1024 in peaks:
    size = 1024
    ratio = statistics.median(pick("fetch", size, 2)) / statistics.median(pick("curl", size, 2))
    print()
    print(f"target 1 GiB wall ratio <= 0.50: {ratio:.2f} {'met' if ratio <= 0.5 else 'NOT met'}")
    print(f"target 1 GiB peak RSS <= 16 MiB: {peaks[1024]:.1f} MiB {'met' if peaks[1024] <= 16 else 'NOT met'}")
    if 64 in peaks:
        spread = abs(peaks[1024] - peaks[64])
        print(f"target RSS 1 GiB vs 64 MiB < 2 MiB apart: {spread:.2f} MiB {'met' if spread < 2 else 'NOT met'}")
PY
