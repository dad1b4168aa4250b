#!/usr/bin/env bash
# Makes the package, unpacks it into a scratch root and runs the CLI from there.
set -euo pipefail
build=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/out" "$scratch/root"

(cd "$scratch/out" && cpack --config "$build/CPackConfig.cmake" -G DEB >cpack.log 2>&1) || {
  cat "$scratch/out/cpack.log"
  exit 1
}
deb=$(find "$scratch/out" -maxdepth 1 -name 'teedesk_*.deb' | head -n 1)
[[ -n $deb ]] || { echo "no package made"; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"

fail() { echo "FAIL: $*"; exit 1; }
root=$scratch/root
for file in usr/bin/teedesk-cli usr/bin/teedesk-watchsim usr/lib/udev/rules.d/70-teedesk.rules \
            usr/share/man/man1/teedesk-cli.1 usr/share/bash-completion/completions/teedesk-cli; do
  [[ -e $root/$file ]] || fail "$file missing from the package"
done
if [[ -e $build/app/teedesk ]]; then
  for file in usr/bin/teedesk usr/share/applications/teedesk.desktop usr/share/icons/hicolor/48x48/apps/teedesk.png; do
    [[ -e $root/$file ]] || fail "$file missing from the package"
  done
fi
grep -q 'KERNEL=="hidraw\*"' "$root/usr/lib/udev/rules.d/70-teedesk.rules" || fail "udev rule without hidraw match"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libhidapi-hidraw0 libudev1 libicu72 libstdc++6; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library"
done

version=$("$root/usr/bin/teedesk-cli" --version)
[[ $version == *1.20* ]] || fail "unexpected version: $version"
devices=$("$root/usr/bin/teedesk-cli" --simulate bandA devices)
[[ $devices == "LK-Band A"$'\t'* ]] || fail "simulated watch not listed: $devices"
echo "package ok: $(basename "$deb")"
