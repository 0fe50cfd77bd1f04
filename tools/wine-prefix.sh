#!/usr/bin/env bash
# Builds the template Wine prefix that every test run copies, plus the fonts
# configuration without Chinese fonts and the two Chinese locales.
set -euo pipefail
root=$(realpath -m "$1")
mkdir -p "$root"
tmpl=$root/template
rm -rf "$tmpl" "$root/home" "$root/template.stamp"
mkdir -p "$root/home"

# Latin fonts only (plus Wine's own, from fonts-wine): the installer must stay
# readable without Chinese fonts.
cat > "$root/fonts-latin.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <selectfont><rejectfont><glob>*/DejaVuMathTeXGyre.ttf</glob></rejectfont></selectfont>
  <cachedir>$root/fontcache</cachedir>
</fontconfig>
CONF

mkdir -p "$root/locales"
for loc in zh_CN zh_TW; do
  [ -d "$root/locales/$loc.UTF-8" ] || localedef -i "$loc" -f UTF-8 "$root/locales/$loc.UTF-8" 2>/dev/null || true
done

export WINEPREFIX=$tmpl HOME=$root/home WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export FONTCONFIG_FILE=$root/fonts-latin.conf
unset DISPLAY
wineboot -i >"$root/wineboot.log" 2>&1 </dev/null
# Wine's own fonts (MS Sans Serif, Tahoma, Marlett) where a Windows keeps them.
cp /usr/share/wine/fonts/* "$tmpl/drive_c/windows/Fonts/"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Courier New" /d "DejaVu Sans Mono" /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d "" /f >/dev/null 2>&1 </dev/null
wineserver -w
# The prefix's user folders are links into $HOME: make them real folders.
users=$tmpl/drive_c/users
for d in "$users"/*/; do
  for f in Desktop Documents Downloads Music Pictures Videos Templates; do
    if [ -L "$d$f" ]; then rm -f "$d$f"; mkdir -p "$d$f"; fi
  done
done
touch "$root/template.stamp"
