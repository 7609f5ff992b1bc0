#!/bin/sh
# Starts Vialumo from its own folder: the program finds its map pages and
# button images in images/ under its working directory. Installed as
# <prefix>/bin/vialumo, beside <prefix>/lib/vialumo.
# Paths on the command line that are relative to where the user started
# are read against VIALUMO_START_DIR.
here=$(dirname "$(readlink -f "$0")")
VIALUMO_START_DIR=$PWD
export VIALUMO_START_DIR
cd "$here/../lib/vialumo" || exit 1
exec ./vialumo "$@"
