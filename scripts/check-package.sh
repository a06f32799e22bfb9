#!/usr/bin/env bash
# Checks the Debian package that `make package` built: no compiler warning in its
# hardened build, lintian with no error and no warning, the desktop entry and the
# AppStream metainfo as they are installed, the files the package must hold, the man
# pages as man renders them, the bridge's systemd unit as systemd-analyze reads it and
# its defaults file as a conffile with no maintainer script beside it, and the hardening
# the build promised (stack protector, relro, now, position-independent).
#
#   scripts/check-package.sh [package-dir]     (default build/package)
set -euo pipefail

package_dir=${1:-build/package}
shopt -s nullglob
debs=("$package_dir"/dimrix_*.deb)
if ((${#debs[@]} != 1)); then
  echo "check-package.sh: expected one dimrix_*.deb in $package_dir, found ${#debs[@]}" >&2
  exit 1
fi
deb=${debs[0]}
app_id=io.github.dimrix.Dimrix
monitor_id=io.github.dimrix.DimrixMonitor
failed=0
fail() {
  echo "check-package.sh: $*" >&2
  failed=1
}

echo "== compiler warnings in the hardened build"
# The package never builds with -Werror; the check is where its warnings count.
if [[ ! -s $package_dir/build.log ]]; then
  fail "no build log in $package_dir (make package writes build.log)"
elif warnings=$(grep -n -i 'warning:' "$package_dir/build.log"); then
  printf '%s\n' "$warnings" >&2
  fail "the hardened build gave compiler warnings"
else
  echo "none"
fi

echo "== lintian $deb"
lintian --fail-on error,warning --info "$deb" || fail "lintian reported an error or a warning"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

echo "== contents"
for path in \
  usr/bin/dimrix \
  "usr/share/applications/$app_id.desktop" \
  "usr/share/metainfo/$app_id.metainfo.xml" \
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
  "usr/share/icons/hicolor/48x48/apps/$app_id.png" \
  "usr/share/icons/hicolor/64x64/apps/$app_id.png" \
  "usr/share/icons/hicolor/128x128/apps/$app_id.png" \
  "usr/share/icons/hicolor/256x256/apps/$app_id.png" \
  usr/share/man/man1/dimrix.1.gz \
  usr/bin/dimrix-monitor \
  "usr/share/applications/$monitor_id.desktop" \
  "usr/share/metainfo/$monitor_id.metainfo.xml" \
  "usr/share/icons/hicolor/scalable/apps/$monitor_id.svg" \
  "usr/share/icons/hicolor/48x48/apps/$monitor_id.png" \
  "usr/share/icons/hicolor/256x256/apps/$monitor_id.png" \
  usr/share/man/man1/dimrix-monitor.1.gz \
  usr/bin/dimrix-bridge \
  usr/share/man/man1/dimrix-bridge.1.gz \
  usr/lib/systemd/system/dimrix-bridge@.service \
  etc/default/dimrix-bridge \
  usr/share/doc/dimrix/copyright \
  usr/share/doc/dimrix/changelog.gz; do
  if [[ -s $root/$path ]]; then
    echo "ok  /$path"
  else
    fail "the package lacks /$path"
  fi
done
grep -q '^License: MIT$' "$root/usr/share/doc/dimrix/copyright" || fail "copyright does not name MIT"

echo "== control"
version=$(dpkg-deb -f "$deb" Version)
[[ $(dpkg-deb -f "$deb" Section) == electronics ]] || fail "section is not electronics"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* ]] || fail "no shared-library dependencies"
[[ $depends == *libqt6network6* ]] || fail "no dependency on Qt's network library (the bridge's)"
[[ $(zcat "$root/usr/share/doc/dimrix/changelog.gz") == "dimrix ($version)"* ]] ||
  fail "the changelog does not start with version $version"
grep -qF "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo has no release $version"
for page in dimrix dimrix-monitor dimrix-bridge; do
  man_head=$(zcat "$root/usr/share/man/man1/$page.1.gz")
  [[ ${man_head%%$'\n'*} == *"Dimrix $version"* ]] ||
    fail "the man page of $page is not of version $version"
done
echo "version $version, section electronics"

echo "== man pages as man renders them"
# As lintian reads them, but every message counts, and a placeholder that configure_file
# did not know is left as @NAME@.
for page in dimrix dimrix-monitor dimrix-bridge; do
  file=$root/usr/share/man/man1/$page.1.gz
  messages=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$file" 2>&1 >/dev/null) || fail "man cannot render $page.1"
  [[ -z $messages ]] || fail "man warns about $page.1:
$messages"
  leftover=$(zcat "$file" | grep -o '@[A-Z_]*@' | sort -u | tr '\n' ' ') || true
  [[ -z $leftover ]] || fail "$page.1 has unreplaced placeholders: $leftover"
done
echo "dimrix.1, dimrix-monitor.1 and dimrix-bridge.1 render without a message"

echo "== the bridge's service: off until enabled"
# The package is made by CPack, not debhelper: nothing adds the scripts that would enable
# or start a unit, and none may be added by hand. No file under /etc/systemd either, where
# an enabled unit's links live.
control_files=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's:^\./::' | grep -v '^$' | sort |
  tr '\n' ' ')
[[ $control_files == "conffiles control md5sums " ]] ||
  fail "the control area holds more than conffiles, control and md5sums: $control_files"
[[ ! -e $root/etc/systemd ]] || fail "the package ships /etc/systemd"
conffiles=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)
[[ $conffiles == /etc/default/dimrix-bridge ]] ||
  fail "conffiles is not exactly /etc/default/dimrix-bridge: $conffiles"
grep -q '^#DIMRIX_BRIDGE_OPTIONS=' "$root/etc/default/dimrix-bridge" ||
  fail "/etc/default/dimrix-bridge has no commented example"
if grep -v '^#' "$root/etc/default/dimrix-bridge" | grep -q '[^[:space:]]'; then
  fail "/etc/default/dimrix-bridge sets something: a fresh install must run the bridge's defaults"
fi
echo "no maintainer script, /etc/default/dimrix-bridge a conffile with only comments"

echo "== systemd-analyze verify dimrix-bridge@ttyUSB0.service"
# Offline, against the unpacked package: its ExecStart must exist there and its
# Documentation must open. The package's root lacks the targets every service is ordered
# against (sysinit.target, network-online.target ...): this system's units fill them in,
# never over the package's own.
verify_root=$(mktemp -d)
trap 'rm -rf "$root" "$verify_root"' EXIT
cp -a "$root/." "$verify_root"
cp -an /usr/lib/systemd/system/. "$verify_root/usr/lib/systemd/system/"
unit=dimrix-bridge@ttyUSB0.service
# Every word counts: an unknown key is only a warning, and the status stays 0.
if ! verdict=$(MANPATH=$verify_root/usr/share/man systemd-analyze verify --root="$verify_root" \
  "$unit" 2>&1) || [[ -n $verdict ]]; then
  fail "systemd-analyze verify $unit:
$verdict"
else
  echo "clean"
fi
# Hardening that drifts back is caught: systemd's own score of the sandbox (0 best, 10
# worst; 1.9 when this was written) must stay below 2.5.
if ! exposure=$(systemd-analyze security --offline=yes --root="$verify_root" --threshold=25 \
  --no-pager "$unit" 2>&1); then
  printf '%s\n' "$exposure" | grep -E '^(✗|→)' >&2 || true
  fail "systemd-analyze security: $unit is exposed more than 2.5"
else
  printf '%s\n' "$exposure" | grep '^→' || true
fi

echo "== one description"
# packaging/dimrix.description.txt is the one source; the package, the metainfo and the man page
# are made from it, and the README's opening paragraph is written to match it.
flat() { tr -s '[:space:]' ' ' | sed 's/^ //; s/ $//'; }
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
description_failed=$failed
failed=0
deb_description=$(dpkg-deb -f "$deb" Description)
deb_summary=${deb_description%%$'\n'*}
deb_text=$(tail -n +2 <<<"$deb_description" | sed 's/^ //; s/^\.$//' | flat)
meta_summary=$(sed -n 's:.*<summary>\(.*\)</summary>.*:\1:p' "$metainfo")
# The component's own description; each release has one of its own further down.
meta_text=$(awk '/<description>/ { on = 1 } on { print } /<\/description>/ { exit }' "$metainfo" |
  sed 's/<[^>]*>//g' | flat)
[[ $deb_text == "$meta_text" ]] || fail "the package description and the metainfo disagree:
  package:  $deb_text
  metainfo: $meta_text"
[[ ${deb_summary,} == "${meta_summary,}" ]] ||
  fail "the package summary ($deb_summary) and the metainfo's ($meta_summary) disagree"
source_dir=$(cd "$(dirname "$0")/.." && pwd)
# The first paragraph under the title.
readme_opening=$(awk '/^$/ { if (text) exit; next } !/^#/ { text = 1; print }' \
  "$source_dir/README.md" | flat)
[[ $deb_text == "$readme_opening"* ]] ||
  fail "README.md does not open with the first paragraph of packaging/dimrix.description.txt:
  README: $readme_opening"
((failed)) || echo "package, metainfo and README agree"
((failed |= description_failed)) || true

echo "== desktop entry and metainfo as installed"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli validate"
desktop-file-validate "$root/usr/share/applications/$monitor_id.desktop" ||
  fail "desktop-file-validate (monitor)"
appstreamcli validate --no-net "$root/usr/share/metainfo/$monitor_id.metainfo.xml" ||
  fail "appstreamcli validate (monitor)"
# The tree check also finds the desktop entry and the icons the metainfo refers to.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

for program in dimrix dimrix-monitor dimrix-bridge; do
  echo "== hardening of /usr/bin/$program"
  binary=$root/usr/bin/$program
  # Its absence is told under contents.
  [[ -f $binary ]] || continue
  # Read whole before searching: `grep -q` stops at the first match, and under pipefail the
  # writer's SIGPIPE would then fail the check at random.
  kind=$(file "$binary")
  segments=$(readelf -lW "$binary")
  dynamic=$(readelf -dW "$binary")
  symbols=$(nm -D "$binary")
  grep -q ', stripped' <<<"$kind" || fail "$program is not stripped"
  grep -q GNU_RELRO <<<"$segments" || fail "$program: no relro segment"
  grep -q 'BIND_NOW' <<<"$dynamic" || fail "$program: not linked with -z now"
  grep -q 'FLAGS_1.*PIE' <<<"$dynamic" || fail "$program: not position-independent"
  grep -q __stack_chk_fail <<<"$symbols" || fail "$program: no stack protector"
done
# The program calls no libc function that fortify replaces, so the flag is checked where
# it is given: on every compile of the package tree.
commands=$package_dir/compile_commands.json
if [[ -f $commands ]] && ! grep '"command"' "$commands" | grep -qv -- '-D_FORTIFY_SOURCE=2'; then
  echo "stripped, relro, now, PIE, stack protector, every source compiled with _FORTIFY_SOURCE=2"
else
  fail "not every source of $package_dir was compiled with -D_FORTIFY_SOURCE=2"
fi

if ((failed)); then
  echo "check-package.sh: $deb FAILED" >&2
  exit 1
fi
echo "check-package.sh: $deb passed"
