# Sourced by the setup-*.sh tests after `set -eu` and with TEST set: takes
# ROOT and SRC from the arguments, makes a fresh work folder W and in it a
# release folder W/release of the payload's shape (every name of the demo
# manifest, each file holding its own name, with the manifest's time).
ROOT=$1 SRC=$2
W=$ROOT/setup-tests/$TEST
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$W"
mkdir -p "$W/release"
tab=$(printf '\t')
while IFS="$tab" read -r name src stamp; do
    case $name in ''|'#'*) continue ;; esac
    path=$W/release/$(printf '%s' "$name" | tr '\\' /)
    mkdir -p "$(dirname "$path")"
    printf '%s\n' "$name" >"$path"
    touch -d "$stamp" "$path"
done <"$SRC/demo/manifest.txt"
