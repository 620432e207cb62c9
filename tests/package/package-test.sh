#!/usr/bin/env bash
# Builds the Debian package with cpack, checks its control fields and file
# list, unpacks it into a temporary root and starts the unpacked program twice
# from its program folder: it must make the per-user program folder, open the
# copied system data file there and keep what was written into it, and write
# nothing into the program folder, for root too.
# Usage: package-test.sh BUILD_FOLDER
set -euo pipefail
build=$1

if ! command -v dpkg-deb >/dev/null; then
  echo "SKIPPED: dpkg-deb is missing, the Debian package cannot be checked"
  exit 77
fi

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
fail() { echo "FAILED: $*" >&2; exit 1; }

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack did not build the package"
fi
arch=$(dpkg --print-architecture)
deb=$(find "$work/out" -maxdepth 1 -name "varnel-survey_*_${arch}.deb")
[ -n "$deb" ] || fail "no varnel-survey_<version>_${arch}.deb in $(ls "$work/out")"

# Control fields.
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "varnel-survey_${version}_${arch}.deb" ] || fail "file name $(basename "$deb") for version $version"
[ "$(dpkg-deb -f "$deb" Package)" = varnel-survey ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libsqlite3-0 libzip4 libpugixml1v5 libssl3 qt6-qpa-plugins qt6-translations-l10n fonts-noto-cjk xdg-utils; do
  [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
# Either LibreOffice Calc will do; asking for one would swap out the other.
[ "$(dpkg-deb -f "$deb" Recommends)" = "libreoffice-calc | libreoffice-calc-nogui" ] ||
  fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"

# File list: the program folder, the link on the PATH, the menu entry and the icons; nothing else.
dpkg-deb -c "$deb" | awk '{ print $6 ($7 == "->" ? " -> " $8 : "") }' | sed 's|^\./|/|' >"$work/files"
for expected in \
  /opt/varnel-survey/varnel-survey \
  /opt/varnel-survey/varnel-survey-cli \
  /opt/varnel-survey/2019NB_qv_201908291730.mdb \
  /opt/varnel-survey/view.dll \
  /opt/varnel-survey/2019打印表.xltx \
  /opt/varnel-survey/2019基层以上汇总表.xltx \
  /opt/varnel-survey/sumtable.qv \
  /opt/varnel-survey/exporttable.qv \
  /opt/varnel-survey/notes/TableNotesQV-00.rtf \
  /opt/varnel-survey/notes/TableNotesQV-13.rtf \
  "/usr/bin/varnel-survey -> /opt/varnel-survey/varnel-survey" \
  "/usr/bin/varnel-survey-cli -> /opt/varnel-survey/varnel-survey-cli" \
  /usr/share/applications/varnel-survey.desktop \
  /usr/share/icons/hicolor/scalable/apps/varnel-survey.svg \
  /usr/share/icons/hicolor/16x16/apps/varnel-survey.png \
  /usr/share/icons/hicolor/48x48/apps/varnel-survey.png \
  /usr/share/icons/hicolor/256x256/apps/varnel-survey.png \
  /usr/share/man/man1/varnel-survey.1.gz \
  /usr/share/man/man1/varnel-survey-cli.1.gz \
  /usr/share/bash-completion/completions/varnel-survey \
  /usr/share/bash-completion/completions/varnel-survey-cli \
  /usr/share/doc/varnel-survey/copyright \
  /usr/share/doc/varnel-survey/changelog.Debian.gz \
  /usr/share/doc/varnel-survey/用户手册.md \
  /usr/share/doc/varnel-survey/main-window.png \
  /usr/share/doc/varnel-survey/entry-dialog.png \
  /usr/share/doc/varnel-survey/summary.png \
  /usr/share/doc/varnel-survey/import.png; do
  grep -qxF "$expected" "$work/files" || fail "the package lacks $expected"
done
# The package owns its folder in /opt but not /opt, which dpkg would otherwise try to remove with it.
! grep -qx '/opt/' "$work/files" || fail "the package lists /opt itself"
strays=$(grep -v '/$' "$work/files" | grep -vE '^/(opt/varnel-survey/|usr/bin/varnel-survey|usr/share/applications/varnel-survey\.desktop$|usr/share/icons/hicolor/[^/]+/apps/varnel-survey\.(png|svg)$|usr/share/man/man1/varnel-survey(-cli)?\.1\.gz$|usr/share/bash-completion/completions/varnel-survey(-cli)?$|usr/share/doc/varnel-survey/|usr/share/lintian/overrides/varnel-survey$)' || true)
[ -z "$strays" ] || fail "files the package must not carry: $strays"

root=$work/root
dpkg -x "$deb" "$root"
grep -qx 'Name=基层以上工会调查表（离线工具）' "$root/usr/share/applications/varnel-survey.desktop" || fail "menu entry name"
grep -qx 'Categories=Office;' "$root/usr/share/applications/varnel-survey.desktop" || fail "menu entry category"
grep -qx 'StartupWMClass=varnel-survey' "$root/usr/share/applications/varnel-survey.desktop" || fail "menu entry window class"
file "$root/usr/share/icons/hicolor/48x48/apps/varnel-survey.png" | grep -q 'PNG image data, 48 x 48' || fail "48 x 48 icon"
zcat "$root/usr/share/doc/varnel-survey/changelog.Debian.gz" | head -1 | grep -qF "varnel-survey ($version)" ||
  fail "the changelog does not begin with version $version"
for page in varnel-survey varnel-survey-cli; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q '^\.SH 名称' || fail "manual page $page.1 has no name section"
done

# Help and version need no display.
delivered=$root/opt/varnel-survey
for program in varnel-survey varnel-survey-cli; do
  shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$delivered/$program" --version) || fail "$program --version failed"
  [[ "$shown" =~ ^$program\ 1\.0\ \(Build\ [0-9]+\)$ ]] || fail "$program --version printed $shown"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$delivered/$program" --help | grep -q "^用法：$program" ||
    fail "$program --help printed no usage"
done

# Bash completes the companion's commands, its options and the files a command takes.
if [ -f /usr/share/bash-completion/bash_completion ]; then
  complete_line() {
    (cd "$work" && bash -c '
      source /usr/share/bash-completion/bash_completion
      source "$1"; shift
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _varnel_survey_cli varnel-survey-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
      printf "%s\n" "${COMPREPLY[@]}"' completion "$root/usr/share/bash-completion/completions/varnel-survey-cli" "$@")
  }
  touch "$work/县一.dat" "$work/汇总.xlsx"
  [ "$(complete_line varnel-survey-cli im)" = import ] || fail "completion of a command: $(complete_line varnel-survey-cli im)"
  [ "$(complete_line varnel-survey-cli check --c)" = --codes ] || fail "completion of an option"
  [ "$(complete_line varnel-survey-cli --yes import 县)" = 县一.dat ] || fail "completion of an import file"
  [ "$(complete_line varnel-survey-cli summary --by level 汇)" = 汇总.xlsx ] || fail "completion of a summary file"
fi

# The program writes nothing into its folder, not even as root: it works in
# the per-user folder.
home=$work/home
mkdir -p "$home"
find "$delivered" | sort >"$work/delivered-before"
start() {
  env HOME="$home" XDG_DATA_HOME="${1:-$home/data}" XDG_CONFIG_HOME="$home/config" TEMP="$home" \
      QT_QPA_PLATFORM=offscreen "$delivered/varnel-survey" --check-start
}

folder=$home/data/varnel-survey
data=$folder/2019NB_qv_201908291730.mdb
shown=$(start) || fail "the first start failed"
[ "$shown" = "$folder/" ] || fail "the first start used $shown, not $folder/"
for copied in 2019NB_qv_201908291730.mdb view.dll 2019打印表.xltx 2019基层以上汇总表.xltx sumtable.qv exporttable.qv notes/TableNotesQV-00.rtf; do
  [ -f "$folder/$copied" ] || fail "$copied was not copied into the per-user folder"
done
[ ! -e "$folder/varnel-survey" ] || fail "the program itself was copied"

# What is written into the user's database stays through the next start.
sqlite3 "$data" "INSERT INTO dt_data(c901, c902) VALUES (110101000001, '测试单位')"
shown=$(start) || fail "the second start failed"
[ "$shown" = "$folder/" ] || fail "the second start used $shown"
[ "$(sqlite3 "$data" "SELECT c902 FROM dt_data WHERE c901=110101000001")" = 测试单位 ] ||
  fail "the record written after the first start is gone"
[ -z "$(sqlite3 "$delivered/2019NB_qv_201908291730.mdb" "SELECT c902 FROM dt_data")" ] ||
  fail "the delivered system data file was changed"
# The command-line companion works on the same database of the user.
info=$(env HOME="$home" XDG_DATA_HOME="$home/data" TEMP="$home" "$delivered/varnel-survey-cli" info) ||
  fail "varnel-survey-cli info failed"
grep -qxF "文件	$data" <<<"$info" || fail "varnel-survey-cli did not use $data: $info"
grep -qxF "记录数	1" <<<"$info" || fail "varnel-survey-cli counted otherwise: $info"
find "$delivered" | sort | diff "$work/delivered-before" - >&2 || fail "the program wrote into its folder"
# Where the per-user folder cannot be made, the start ends with the message.
# (A file where the folder should be stops root as well.)
touch "$work/locked"
if message=$(start "$work/locked" 2>&1 >/dev/null); then
  fail "the start went on without a program folder"
fi
[[ "$message" == *"无法建立程序文件夹“$work/locked/varnel-survey/”"* ]] || fail "message without a program folder: $message"

echo "package $(basename "$deb"): control fields, file list, two starts from a read-only program folder and the command-line companion checked"
