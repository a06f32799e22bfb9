#!/usr/bin/env bash
# What ships for Windows, checked under Wine in a Wine prefix made for this run alone:
#   - the installer installs silently (/S), every file of the package folder lands under
#     Program Files, and every program and plugin there finds each DLL it imports;
#   - the Start Menu holds an entry per program, and Apps & features the product's key;
#   - the installed dimrix.exe, given no WINEPATH and no QT_PLUGIN_PATH, shows its window,
#     and GO then All OFF pressed on it put exactly 110 255 on COM1 (a pseudo-terminal);
#     with COM1's far end closed after GO, All OFF brings up "Error number: 8022";
#   - the installed dimrix-monitor.exe --text decodes a known stream on COM2, whenever
#     the build has that program (and fails when the build has it but the package not);
#   - installing again over it upgrades in place, and the silent uninstall leaves the
#     prefix's drive_c and the Apps & features key as they were before the first install.
# COM1 and COM2 are mapped (scripts/wine-run.sh) before any Windows program starts,
# the installer included. Prints the installer's size and the install and uninstall
# times.
#
#   package-under-wine.sh BUILD_DIR       after `make package-windows` made BUILD_DIR/package
set -euo pipefail

build=${1:?usage: package-under-wine.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
env_file=$build/package/package.env
[[ -f $env_file ]] || { echo "package-under-wine.sh: no $env_file; run make package-windows" >&2; exit 1; }
# programs, setup, zip, folder, product, version, publisher, shortcut_<program> (empty for
# a console program)
source "$env_file"
[[ -f $setup ]] || { echo "package-under-wine.sh: no installer $setup" >&2; exit 1; }

source "$here/pty-line.sh"

work=$(mktemp -d)
prefix=$work/prefix
wineserver=$(command -v wineserver || command -v wineserver-stable || echo /usr/lib/wine/wineserver)
cleanup() {
  pty_line_close
  WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Nothing from Qt's or the MinGW runtime's folders: the installed programs find what they
# load in their own folder, or not at all.
unset WINEPATH QT_PLUGIN_PATH
run=(bash "$repo/scripts/wine-run.sh" --prefix "$prefix")
installed_win='C:\Program Files\'"$product"
installed=$prefix/drive_c/Program\ Files/$product
start_menu=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\'"$product"

fail() {
  echo "package-under-wine.sh: $*" >&2
  exit 1
}
step() { echo "package-under-wine.sh: $*"; }
now() { date +%s.%N; }
since() { awk -v from="$1" -v to="$(now)" 'BEGIN { printf "%.1f", to - from }'; }

# The build's programs are all in the package, before anything is installed.
for program in $programs; do
  [[ -f $folder/$program.exe ]] || fail "the build has $program, but $folder lacks $program.exe"
done

# The prefix is made with COM1 and COM2 mapped, by a first program that does nothing.
"${run[@]}" -- cmd.exe /c exit 0
# What drive_c holds: every file and folder, but for the empty folder an NSIS uninstaller
# leaves in the user's temporary folder (its copy of itself in there goes at the next
# start of Windows; the folder stays, under Wine at least).
drive_c_listing() {
  (cd "$prefix/drive_c" && find . -path './users/*/Temp/~nsu*.tmp' -empty -prune -o -print |
    LC_ALL=C sort)
}
# The key's values; nothing when there is no such key (Wine's reg then says so on
# standard output, and fails). Any other failure ends the check: an empty answer must
# mean the key is gone, not that the query went wrong.
uninstall_key() {
  local values status=0
  values=$("${run[@]}" -- reg query "$key" /s 2>/dev/null) || status=$?
  values=$(tr -d '\r' <<<"$values")
  if ((status == 0)); then
    printf '%s\n' "$values"
  elif [[ $values != *"Unable to find the specified registry key"* ]]; then
    fail "reg query $key failed with status $status: $values"
  fi
}
drive_c_listing >"$work/drive_c.before"
uninstall_key >"$work/key.before"
[[ ! -s $work/key.before ]] || fail "a fresh prefix already has $key"

size_kb=$(($(stat -c %s "$setup") / 1024))
started=$(now)
status=0
"${run[@]}" -- "$setup" /S || status=$?
((status == 0)) || fail "the silent install failed with status $status"
install_time=$(since "$started")
step "installed in $install_time s"

# Every file of the package folder, unchanged, and the uninstaller beside them.
diff <(cd "$folder" && find . -type f | LC_ALL=C sort) \
  <(cd "$installed" && find . -type f ! -name uninstall.exe | LC_ALL=C sort) ||
  fail "the installed files differ from the package folder's"
(cd "$folder" && find . -type f -print0) | while IFS= read -r -d '' file; do
  cmp -s "$folder/$file" "$installed/$file" || fail "installed $file differs from the package's"
done
[[ -f $installed/uninstall.exe ]] || fail "no uninstall.exe in $installed"
bash "$repo/scripts/windows-deploy.sh" check "$installed"

for program in $programs; do
  name_var=shortcut_${program//-/_}
  # A console program has none.
  [[ -n ${!name_var} ]] || continue
  link=$start_menu/${!name_var}.lnk
  [[ -f $link ]] || fail "no Start Menu entry $link"
  grep -aqF "$installed_win\\$program.exe" "$link" || fail "$link does not start $program.exe"
done
step "Start Menu entries: $(cd "$start_menu" && ls -- *.lnk | tr '\n' ' ')"

uninstall_key >"$work/key.installed"
value() { awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }' "$work/key.installed"; }
expect_value() {
  local got
  got=$(value "$1")
  [[ $got == "$2" ]] || fail "$key $1 is '$got', not '$2'"
}
expect_value DisplayName "$product"
expect_value DisplayVersion "$version"
expect_value Publisher "$publisher"
expect_value DisplayIcon "$installed_win\\dimrix.exe,0"
expect_value InstallLocation "$installed_win"
expect_value UninstallString "\"$installed_win\\uninstall.exe\""
expect_value QuietUninstallString "\"$installed_win\\uninstall.exe\" /S"
estimated=$(value EstimatedSize)
((estimated > 1024)) || fail "$key EstimatedSize is '$estimated' KB"
step "Apps & features: $(value DisplayName) $(value DisplayVersion) by $(value Publisher), $((estimated)) KB"

# The installed panel, as a user starts it.
bash "$here/window-under-wine.sh" --com1-carries "110 255" "$installed_win\\dimrix.exe" "${run[@]}" --
bash "$here/window-under-wine.sh" --com1-lost-reports "Error number: 8022" \
  "$installed_win\\dimrix.exe" "${run[@]}" --

# The installed monitor, when the build has one, on COM2 fed with a board, a preset and
# a master frame.
if [[ " $programs " == *" dimrix-monitor "* ]]; then
  pty_line_open "$work/feed" 0 60 "130 0 10 20 30 40 50 60 70 255 113 255 109 42 255"
  "${run[@]}" --com2 "$pty_line_device" -- "$installed_win\\dimrix-monitor.exe" --text COM2 \
    >"$work/monitor.out" 2>"$work/monitor.err" &
  monitor_pid=$!
  # The decoded frames, without their time stamps.
  decoded() { sed -E 's/^[0-9]+\.[0-9]+ //' "$work/monitor.out" | tr -d '\r'; }
  want=$'board 130 0 10 20 30 40 50 60 70\npreset 113 30\nmaster 42'
  until decoded | grep -qzF "$want"; do
    if ! kill -0 "$monitor_pid" 2>/dev/null; then
      cat "$work/monitor.out" "$work/monitor.err" >&2
      fail "dimrix-monitor.exe ended before decoding the stream"
    fi
    if ! kill -0 "$pty_line_pid" 2>/dev/null; then
      cat "$work/monitor.out" "$work/monitor.err" >&2
      fail "dimrix-monitor.exe decoded no board, preset and master frame within 60 s"
    fi
    sleep 0.2
  done
  "${run[@]}" --com2 "$pty_line_device" -- taskkill /F /IM dimrix-monitor.exe >/dev/null
  wait "$monitor_pid" || true
  pty_line_close
  # COM2 back to no device, now that its pseudo-terminal is gone.
  "${run[@]}" -- cmd.exe /c exit 0
  step "dimrix-monitor.exe --text decoded on COM2: $(decoded | head -n 3 | tr '\n' ';')"
else
  step "no dimrix-monitor in this build: its check is left out"
fi

# Again over itself: the earlier install's uninstaller runs first, and one install is left.
status=0
"${run[@]}" -- "$setup" /S || status=$?
((status == 0)) || fail "installing over the installed version failed with status $status"
uninstall_key >"$work/key.again"
diff "$work/key.installed" "$work/key.again" || fail "$key changed when installing over it"
diff <(cd "$folder" && find . -type f | LC_ALL=C sort) \
  <(cd "$installed" && find . -type f ! -name uninstall.exe | LC_ALL=C sort) ||
  fail "installing over it left other files than the package's"
step "installed again over it, in place"

# As Apps & features does it: the quiet uninstall string. The uninstaller copies itself to
# the temporary folder and returns at once; its copy removes the folder last but one, the
# key last, and then the session's end says it is done.
started=$(now)
"${run[@]}" -- "$installed_win\\uninstall.exe" /S || fail "the silent uninstall failed"
deadline=$((SECONDS + 120))
while [[ -d $installed ]]; do
  ((SECONDS < deadline)) || fail "$installed is still there 120 s after the uninstall began"
  sleep 0.2
done
uninstall_time=$(since "$started")
WINEPREFIX=$prefix "$wineserver" -w
# The copy in the temporary folder is left to be deleted when Windows next starts, as
# NSIS does it; Wine's restart does what Windows' start does.
"${run[@]}" -- wineboot.exe --restart
WINEPREFIX=$prefix "$wineserver" -w
drive_c_listing >"$work/drive_c.after"
uninstall_key >"$work/key.after"
diff "$work/drive_c.before" "$work/drive_c.after" || fail "the uninstall left drive_c other than it was"
diff "$work/key.before" "$work/key.after" || fail "the uninstall left $key"
step "uninstalled in $uninstall_time s; drive_c and $key are as before the install"

echo "package-under-wine.sh: installer $(basename "$setup"): $size_kb KB; silent install $install_time s, silent uninstall $uninstall_time s (Wine)"
