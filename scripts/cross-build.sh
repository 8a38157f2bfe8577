#!/usr/bin/env bash
# Builds the Windows program, ZanqDownloader.exe, with both MinGW-w64 cross
# compilers (warnings as errors), checks what went into it, and runs the
# smoke test of the 64-bit build under Wine. The 32-bit build is the
# product; it must stay within 1 MiB.
#
#   scripts/cross-build.sh
#
# Builds land in build/windows-i686 and build/windows-x86_64. The smoke test
# compares the dialog with the Linux build's: ZANQ_LINUX_PROGRAM names that
# program, or else it is built here (target zanq-downloader of the debug
# preset, which ./test builds next anyway). Screenshots of both dialogs are
# kept in build/windows-x86_64/smoke. Prints one line per step; exits
# non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

size_limit=$((1024 * 1024))
jobs=$(nproc)
# The system DLLs the program may import; anything else would have to be
# shipped with it. msvcrt.dll is the C library of every Windows version.
allowed_dlls="kernel32.dll user32.dll gdi32.dll comctl32.dll urlmon.dll shell32.dll ole32.dll oleaut32.dll msvcrt.dll"

step() { printf '== windows: %-58s %s\n' "$1" "$2" >&2; }
fail() {
  step "$1" "FAIL"
  shift
  for line in "$@"; do echo "   $line" >&2; done
  exit 1
}

build() {  # ARCH
  local arch=$1 dir=build/windows-$1
  local log="$dir.log"
  mkdir -p build
  if ! { cmake -S . -B "$dir" -G Ninja \
           -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$arch.cmake" \
           -DCMAKE_BUILD_TYPE=MinSizeRel -DZANQ_WERROR=ON \
         && cmake --build "$dir" --target ZanqDownloader -j "$jobs"; } >"$log" 2>&1; then
    fail "$arch: build" "$(grep -E 'error|warning|FAILED|Error' "$log" | head -40)" "(full log: $log)"
  fi
  step "$arch: build" "ok"
}

check_program() {  # ARCH
  local arch=$1 exe=build/windows-$1/bin/ZanqDownloader.exe
  local objdump=$1-w64-mingw32-objdump windres=$1-w64-mingw32-windres
  local headers imports dll resources
  headers=$("$objdump" -p "$exe")
  grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "$arch: GUI executable" "$(grep Subsystem <<<"$headers")"
  imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$headers" | sort -u)
  for dll in $imports; do
    [[ " $allowed_dlls " == *" $dll "* ]] || fail "$arch: only system DLLs imported" "imports $dll; all: $(echo $imports)"
  done
  step "$arch: GUI executable importing only system DLLs" "ok ($(echo $imports))"

  # The resources as windres reads them back from the executable.
  resources=$("$windres" -i "$exe" -O rc 2>/dev/null | grep -E '^[0-9]+ ([0-9]+ /\*|DIALOGEX|VERSIONINFO)|VALUE "|CAPTION' || true)
  local expected
  for expected in '^101 DIALOGEX' '^102 2 /\* RT_BITMAP' '^103 14 /\* RT_GROUP_ICON' '^104 14 /\* RT_GROUP_ICON' \
                  'CAPTION "Download the Zanq Play Bundle"' '^1 VERSIONINFO' 'VALUE "CompanyName"' 'VALUE "ProductName"' \
                  'VALUE "FileDescription"' 'VALUE "FileVersion"'; do
    grep -q -E "$expected" <<<"$resources" || fail "$arch: resources" "missing: $expected"
  done
  # The first icon group is the program file's icon.
  local first_group
  first_group=$(grep -E 'RT_GROUP_ICON' <<<"$resources" | head -1 | awk '{ print $1 }')
  [ "$first_group" = 103 ] || fail "$arch: IDI_APPICON is the first icon group" "first group is $first_group"
  step "$arch: dialog, picture, icons (IDI_APPICON first), version" "ok"
}

build i686
check_program i686
product=build/windows-i686/bin/ZanqDownloader.exe
size=$(stat -c %s "$product")
[ "$size" -le "$size_limit" ] || fail "i686: size at most 1 MiB" "$size bytes > $size_limit"
step "i686: size at most 1 MiB" "ok ($size bytes)"

build x86_64
check_program x86_64

linux_program=${ZANQ_LINUX_PROGRAM:-}
if [ -z "$linux_program" ] && [ -f platform/linux/x11/CMakeLists.txt ]; then
  if ! { cmake --preset debug && cmake --build --preset debug --target zanq-downloader -j "$jobs"; } >build/windows-linux-program.log 2>&1; then
    fail "Linux program for comparison (debug preset)" "$(grep -E 'error|FAILED' build/windows-linux-program.log | head -20)" \
         "(full log: build/windows-linux-program.log)"
  fi
  linux_program=build/debug/bin/zanq-downloader
  step "Linux program for comparison (debug preset)" "ok"
fi

rm -rf build/windows-x86_64/smoke
if ! ZANQ_SMOKE_SHOTS=build/windows-x86_64/smoke tests/e2e/windows_smoke.sh \
       build/windows-x86_64/bin/ZanqDownloader.exe app/res/background.bmp $linux_program >&2; then
  fail "x86_64: smoke test under Wine" "(see the lines above)"
fi
step "x86_64: smoke test under Wine" "ok"
