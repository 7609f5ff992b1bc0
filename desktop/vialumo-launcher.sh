#!/bin/sh
# Starts Vialumo from its own folder: the program finds its map pages and
# button images in images/ under its working directory. Installed as
# <prefix>/bin/vialumo, beside <prefix>/lib/vialumo.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../lib/vialumo" || exit 1
exec ./vialumo "$@"
