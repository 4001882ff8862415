#!/bin/sh
# The menu entry and the software centre's entry, checked by the validators a distribution runs.
# validate_metadata.sh DESKTOP_FILE METAINFO_FILE; exit 77 (skipped) when the validators are missing.
set -u
command -v desktop-file-validate >/dev/null && command -v appstreamcli >/dev/null || {
    echo "desktop-file-validate or appstreamcli missing (scripts/deps installs them)"
    exit 77
}
status=0
desktop-file-validate "$1" || status=1
appstreamcli validate --no-net --pedantic "$2" || status=1
exit $status
