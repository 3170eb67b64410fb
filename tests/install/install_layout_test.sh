#!/usr/bin/env bash
# "cmake --install" into a fresh prefix: every file lands below the prefix, as
# GNUInstallDirs lays them out, and the desktop entry starts the installed window.
# An installed copy keeps its data out of its bin/ folder: orvaloctl run from there
# uses ~/.local/share/orvalo of the user whose HOME is given, and finds the network
# helper installed in libexec/orvalo.
#   tests/install/install_layout_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/orvalo-install-XXXXXX)
home=$(mktemp -d /tmp/orvalo-install-home-XXXXXX)
trap 'rm -rf "$prefix" "$home"' EXIT

cmake --install "$build" --prefix "$prefix/usr" >/dev/null
expected="usr/bin/Orvalo
usr/bin/OrvaloS
usr/bin/orvaloctl
usr/libexec/orvalo/orvalo-net
usr/share/applications/orvalo.desktop
usr/share/icons/hicolor/scalable/apps/orvalo.svg
usr/share/man/man1/orvaloctl.1
usr/share/man/man8/OrvaloS.8"
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
if [ "$actual" != "$expected" ]; then
  echo "installed files differ:"; diff <(echo "$expected") <(echo "$actual"); exit 1
fi
grep -qx "Exec=$prefix/usr/bin/Orvalo" "$prefix/usr/share/applications/orvalo.desktop" || {
  echo "desktop entry:"; cat "$prefix/usr/share/applications/orvalo.desktop"; exit 1; }

# The installed orvaloctl keeps the list out of bin/, in the user's data folder.
env -u ORVALO_HOME -u XDG_DATA_HOME HOME="$home" "$prefix/usr/bin/orvaloctl" add-time --command true >/dev/null
[ -f "$home/.local/share/orvalo/L.csv" ] || { echo "no list in $home/.local/share/orvalo"; exit 1; }
[ "$(stat -c %a "$home/.local/share/orvalo")" = 700 ] || { echo "data folder not private"; exit 1; }
if ls "$prefix/usr/bin" | grep -qv -e '^Orvalo$' -e '^OrvaloS$' -e '^orvaloctl$'; then
  echo "data written into bin/:"; ls "$prefix/usr/bin"; exit 1
fi
# The installed programs find their network helper in libexec/.
answer=$(env -u ORVALO_HOME -u XDG_DATA_HOME HOME="$home" "$prefix/usr/bin/orvaloctl" email --server 127.0.0.1:1 --test 2>&1 || true)
[ "$answer" = "ERROR: Couldn't connect to server" ] || { echo "SMTP test through the installed helper: $answer"; exit 1; }
echo "install layout ok"
