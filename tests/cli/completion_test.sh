#!/bin/sh
# shellcheck shell=bash disable=SC1090
# Drives the bash completion of marlin as the shell would: COMP_WORDS in,
# COMPREPLY out. completion_test.sh MARLIN COMPLETION_FILE
# It starts in sh, so that a machine without bash skips it.
command -v bash >/dev/null 2>&1 || exit 77
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"

PATH=$(cd "$(dirname "$1")" && pwd):$PATH
source "$2"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
marlin new d.dat --size 1M && marlin mkdir d.dat '$' GAMES && marlin mkdir d.dat '$.GAMES' ARCADE &&
    echo hi | marlin put d.dat '$.GAMES' - --name 'E(LITE' || exit 1

failed=0
# expect REPLY WORD...: completing the last WORD gives REPLY (the words joined by spaces).
expect()
{
    local want=$1
    shift
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE}
    _marlin marlin "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    if [[ "${COMPREPLY[*]}" != "$want" ]]; then
        echo "completing '$*': got '${COMPREPLY[*]}', want '$want'"
        failed=1
    fi
}
expect 'catall' marlin cata
expect '--keep-locked --keep-nonempty' marlin delete d.dat --keep
expect '16M' marlin new x.dat --size 16
expect 'run' marlin boot d.dat r
expect 'd.dat' marlin ls d
expect '$.GAMES.' marlin ls d.dat '$.g'
expect '$.GAMES.ARCADE. $.GAMES.E\(LITE' marlin get d.dat '$.GAMES.'
expect 'GAMES.ARCADE.' marlin import d.dat games.
expect '$.GAMES.' marlin delete d.dat '$.GAMES.ARCADE' '$.G'
expect '$.GAMES.' marlin put d.dat --name X '$.g'
expect '' marlin ls missing.dat '$.'
exit $failed
