#!/bin/sh
# make-release-folder.sh MANIFEST DIR: a release folder of the payload's shape
# in DIR: every name of the demo manifest, each holding its own name, with
# the manifest's time.
set -eu
MANIFEST=$1 DIR=$2
rm -rf "$DIR"
tab=$(printf '\t')
while IFS="$tab" read -r name src stamp; do
    case $name in ''|'#'*) continue ;; esac
    path=$DIR/$(printf '%s' "$name" | tr '\\' /)
    mkdir -p "$(dirname "$path")"
    printf '%s\n' "$name" >"$path"
    touch -d "$stamp" "$path"
done <"$MANIFEST"
