#!/usr/bin/env bash
# check_package.sh CPACK_CONFIG PROJECT_VERSION OUT_DIR
# Runs `cpack -G DEB` into OUT_DIR (wiped first; the .deb stays there for a
# person to look at) and checks the package. Every failed check prints why;
# the exit status is non-zero when any check failed.
set -uo pipefail

if [[ $# -ne 3 ]]; then
  echo "usage: $0 CPACK_CONFIG PROJECT_VERSION OUT_DIR" >&2
  exit 2
fi
config=$1 version=$2 out=$3

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() {
  if ((failures)); then echo "$failures check(s) failed"; exit 1; fi
  echo "all package checks passed"; exit 0
}

missing=()
for tool in cpack dpkg dpkg-deb lintian appstreamcli desktop-file-validate man; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  fail "missing tools: ${missing[*]} (scripts/install-deps.sh installs them)"
  finish
fi

rm -rf "$out" && mkdir -p "$out" || { fail "cannot create $out"; finish; }
if ! cpack -G DEB --config "$config" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  fail "cpack -G DEB failed (log above)"
  finish
fi

# --- file name -------------------------------------------------------------
arch=$(dpkg --print-architecture)
shopt -s nullglob
debs=("$out"/*.deb)
if [[ ${#debs[@]} -ne 1 ]]; then
  fail "expected one .deb in $out, found ${#debs[@]}: ${debs[*]##*/}"
  finish
fi
deb=${debs[0]}
expected_name="velmora_${version}_${arch}.deb"
[[ ${deb##*/} == "$expected_name" ]] ||
  fail "package file is ${deb##*/}, expected $expected_name"

# --- control fields --------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == velmora ]] || fail "Package is '$(field Package)', expected velmora"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', expected $version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture is '$(field Architecture)', expected $arch"
[[ $(field Section) == sound ]] || fail "Section is '$(field Section)', expected sound"

# One relation per comma-separated entry, spaces squeezed, so an alternative
# group is matched whole and a version constraint does not get in the way.
relations() { field "$1" | tr ',' '\n' | sed -E 's/^[[:space:]]+//; s/[[:space:]]+$//; s/[[:space:]]+/ /g'; }
depends=$(relations Depends)
has_relation() {  # FIELD_TEXT ERE DESCRIPTION
  grep -qE "$2" <<<"$1" || fail "$3"
}
has_relation "$depends" '^libqt6widgets6( \(|$)' "Depends lacks libqt6widgets6: $(field Depends)"
has_relation "$depends" '^libfluidsynth[0-9]+( \(|$)' "Depends lacks libfluidsynth: $(field Depends)"
# Export Audio and the output to other programs.
has_relation "$depends" '^libsndfile1( \(|$)' "Depends lacks libsndfile1: $(field Depends)"
has_relation "$depends" '^librtmidi[0-9]+( \(|$)' "Depends lacks librtmidi: $(field Depends)"
has_relation "$depends" '^fluid-soundfont-gm \| timgm6mb-soundfont$' \
  "Depends lacks 'fluid-soundfont-gm | timgm6mb-soundfont': $(field Depends)"
has_relation "$(relations Recommends)" '^fonts-vlgothic$' "Recommends lacks fonts-vlgothic: '$(field Recommends)'"
has_relation "$(relations Recommends)" '^qt6-translations-l10n$' "Recommends lacks qt6-translations-l10n: '$(field Recommends)'"

# --- contents and modes ----------------------------------------------------
listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c cannot list $deb"
# "MODE OWNER PATH" per entry; dpkg-deb -c prints size and date in between.
entries=$(awk '{ print $1, $2, $6 }' <<<"$listing")
for path in ./usr/bin/velmora \
            ./usr/share/applications/velmora.desktop \
            ./usr/share/icons/hicolor/scalable/apps/velmora.svg \
            ./usr/share/icons/hicolor/64x64/apps/velmora.png \
            ./usr/share/man/man1/velmora.1.gz \
            ./usr/share/doc/velmora/copyright \
            ./usr/share/doc/velmora/changelog.gz; do
  grep -qE " ${path//./\\.}\$" <<<"$entries" || fail "package lacks $path"
done
grep -qE ' \./usr/share/metainfo/[^/]+\.metainfo\.xml$' <<<"$entries" ||
  fail "package lacks ./usr/share/metainfo/*.metainfo.xml"
# Modes must not depend on the builder's umask: directories 0755, programs
# in usr/bin 0755, everything else 0644, all owned by root.
bad_modes=$(awk '
  $2 != "root/root"                              { print; next }
  $1 ~ /^d/ && $1 != "drwxr-xr-x"                { print; next }
  $1 ~ /^-/ && $3 ~ /^\.\/usr\/bin\// && $1 != "-rwxr-xr-x" { print; next }
  $1 ~ /^-/ && $3 !~ /^\.\/usr\/bin\// && $1 != "-rw-r--r--" { print; next }
' <<<"$entries")
[[ -z $bad_modes ]] || fail "entries with unexpected mode or owner:"$'\n'"$bad_modes"

# --- the files themselves --------------------------------------------------
root="$out/root"
if dpkg-deb -x "$deb" "$root"; then
  desktop="$root/usr/share/applications/velmora.desktop"
  if [[ -f $desktop ]]; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects velmora.desktop"
    # The menu entry must start a program and show an icon this package ships.
    exec_prog=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" | head -n1)
    [[ -n $exec_prog && -x $root/usr/bin/${exec_prog##*/} ]] ||
      fail "desktop entry Exec '$exec_prog' is not a program in /usr/bin of the package"
    icon=$(sed -n 's/^Icon=//p' "$desktop" | head -n1)
    icons=("$root"/usr/share/icons/hicolor/*/apps/"$icon".{png,svg})
    ((${#icons[@]})) || fail "desktop entry Icon '$icon' is not in the package's hicolor theme"
  fi
  for metainfo in "$root"/usr/share/metainfo/*.metainfo.xml; do
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate rejects ${metainfo##*/}"
  done
  # The tree check also matches the file name to the component id and the
  # launchable to an installed desktop entry.
  appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree rejects the package tree"
  manpage="$root/usr/share/man/man1/velmora.1.gz"
  if [[ -f $manpage ]]; then
    man_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manpage" 2>&1 >/dev/null)
    [[ -z $man_warnings ]] || fail "man reports problems in velmora.1:"$'\n'"$man_warnings"
  fi
else
  fail "dpkg-deb -x cannot unpack $deb"
fi

# --- lintian ---------------------------------------------------------------
lintian_opts=()
[[ $(id -u) -eq 0 ]] && lintian_opts+=(--allow-root)
lintian_out=$(lintian "${lintian_opts[@]}" --fail-on none "$deb" 2>&1)
lintian_rc=$?
echo "lintian output:"
echo "${lintian_out:-  (nothing)}"
if ((lintian_rc != 0)); then
  fail "lintian did not run (exit $lintian_rc)"
elif grep -q '^E: ' <<<"$lintian_out"; then
  fail "lintian reports errors (E: lines above)"
fi

finish
