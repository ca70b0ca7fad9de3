#!/usr/bin/env bash
# Builds the Debian package from build/ and checks that it holds what an installed Corvane
# needs: the program, its windows' and GIS export's libraries, its user guide, the desktop
# entry, the icon and the plan file type.
set -euo pipefail
cd "$(dirname "$0")/../build"
rm -f corvane_*.deb
cpack -G DEB >/dev/null
deb=$(ls corvane_*.deb)
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
status=0
for f in ./usr/bin/corvane ./usr/lib/corvane/libcorvane_windows.so ./usr/lib/corvane/libcorvane_gis.so \
         ./usr/share/doc/corvane/Corvane.html \
         ./usr/share/applications/corvane.desktop \
         ./usr/share/icons/hicolor/scalable/apps/corvane.svg \
         ./usr/share/mime/packages/corvane.xml ./usr/share/doc/corvane/examples/D20417.lns; do
    if ! grep -qx -- "$f" <<<"$listing"; then
        echo "The package lacks $f" >&2
        status=1
    fi
done
# The desktop entry starts the program with the plan it was given, and owns the plan type.
entry=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/corvane.desktop)
grep -qx 'Exec=corvane %f' <<<"$entry" || { echo "corvane.desktop: no Exec=corvane %f" >&2; status=1; }
grep -qx 'Categories=Science;Geography;' <<<"$entry" || { echo "corvane.desktop: categories" >&2; status=1; }
grep -qx 'MimeType=application/x-corvane-plan;' <<<"$entry" || { echo "corvane.desktop: type" >&2; status=1; }
mime=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/mime/packages/corvane.xml)
grep -q 'glob pattern="\*.lns"' <<<"$mime" || { echo "corvane.xml: no *.lns" >&2; status=1; }
# A plan file is plain text too, so text editors are offered for it and open it.
grep -q '<sub-class-of type="text/plain"/>' <<<"$mime" ||
    { echo "corvane.xml: not a sub-class of text/plain" >&2; status=1; }
dpkg-deb -f "$deb" Depends | grep -q 'qt6-qpa-plugins' || { echo "Depends: no Qt platform plugin" >&2; status=1; }
# The windows' library brings the Qt libraries it links into the package's dependencies.
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "Depends: no Qt Widgets" >&2; status=1; }
# The program finds its windows' library through its run path, relative to where it is.
runpath=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/corvane > corvane.installed &&
          objdump -p corvane.installed | awk '/R(UN)?PATH/ {print $2}'; rm -f corvane.installed)
[ "$runpath" = '$ORIGIN/../lib/corvane' ] ||
    { echo "corvane: run path '$runpath' does not name ../lib/corvane" >&2; status=1; }
[ $status -eq 0 ] && echo "Package $deb holds the program, its windows, its guide, desktop entry, icon and plan type"
exit $status
