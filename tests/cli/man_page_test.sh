#!/bin/sh
# Every command that `marlin --help` lists has an entry in the manual page
# source (a line starting with *COMMAND*), and the entry shows every long option
# that `marlin COMMAND --help` lists. man_page_test.sh MARLIN PAGE
marlin=$1 page=$2 missing=
long_options() { sed -n 's/^  \(-[a-zA-Z],\)\{0,1\}\(--[a-z-]*\).*/\2/p'; }
for opt in $("$marlin" --help | long_options); do
    grep -qF -- "*$opt*" "$page" || missing="$missing $opt;"
done
for cmd in $("$marlin" --help | sed -n '/^Subcommands:/,$ s/^  \([a-z][a-z]*\) .*/\1/p'); do
    # The entry runs to the next command's or the next heading.
    entry=$(awk -v c="*$cmd*" 'index($0, c) == 1 { on = 1; print; next } /^(\*[a-z]+\*|#)/ { on = 0 } on' "$page")
    if [ -z "$entry" ]; then
        missing="$missing $cmd;"
        continue
    fi
    for opt in $("$marlin" "$cmd" --help | long_options); do
        [ "$opt" = --help ] || printf '%s\n' "$entry" | grep -qF -- "*$opt*" || missing="$missing $cmd $opt;"
    done
done
[ -z "$missing" ] || { echo "missing from $page:$missing"; exit 1; }
