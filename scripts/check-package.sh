#!/usr/bin/env bash
# Checks the Debian package that `make package` built: no compiler warning in its
# hardened build, lintian with no error and no warning, the desktop entry and the
# AppStream metainfo as they are installed, the files the package must hold, and the
# hardening the build promised (stack protector, relro, now, position-independent).
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
[[ $(dpkg-deb -f "$deb" Depends) == *libqt6widgets6* ]] || fail "no shared-library dependencies"
[[ $(zcat "$root/usr/share/doc/dimrix/changelog.gz") == "dimrix ($version)"* ]] ||
  fail "the changelog does not start with version $version"
grep -qF "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo has no release $version"
man_head=$(zcat "$root/usr/share/man/man1/dimrix.1.gz")
[[ ${man_head%%$'\n'*} == *"Dimrix $version"* ]] || fail "the man page is not of version $version"
echo "version $version, section electronics"

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

for program in dimrix dimrix-monitor; do
  echo "== hardening of /usr/bin/$program"
  binary=$root/usr/bin/$program
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
