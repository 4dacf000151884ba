#!/bin/sh
# Installs the Debian packages that building, running and testing need,
# asking apt only when one of them is missing (one dpkg-query finds out).
set -e
packages="cmake g++ make pkg-config tcl8.6 tk8.6 tcl8.6-dev tk8.6-dev
libgtest-dev libbenchmark-dev libode-dev libgl-dev libglu1-mesa-dev
libgl1-mesa-dri libx11-dev libxcursor-dev libxrandr-dev libxfixes-dev xvfb xauth xdotool x11-apps x11-utils
libtinyobjloader-dev imagemagick libcups2-dev libcairo2-dev libpaper-dev
cups-daemon cups-core-drivers cups-client poppler-utils
clang libclang-rt-14-dev"
# One query for every package: the installed ones are listed with status "ii".
# shellcheck disable=SC2086  # one word per package
installed="$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' $packages 2>/dev/null |
    awk '$1 == "ii" { printf " %s", $2 }') "
missing=""
for p in $packages; do
    case "$installed" in
        *" $p "*) ;;
        *) missing="$missing $p" ;;
    esac
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd=sudo
    $sudo_cmd apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y $missing
fi
