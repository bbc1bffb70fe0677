#!/usr/bin/env bash
# Imports a registry.reg written by the host build into the Wine prefix with the Registry
# Editor (`regedit /s`), then lets a Windows program check that every key and value reads
# back as the host wrote it. The test keys are removed again afterwards.
#
#   registry_roundtrip.sh REG_FILE CHECK_PROGRAM.exe WINE_RUN [WINE_RUN_ARGS...]
set -euo pipefail

reg_file=$1
check_program=$2
shift 2
wine_run=("$@")

cleanup() {
    "${wine_run[@]}" reg delete 'HKCU\Software\QorTests\Roundtrip' /f >/dev/null 2>&1 || true
    # Only when no other test's key is left in it.
    "${wine_run[@]}" reg query 'HKCU\Software\QorTests' /s 2>/dev/null | grep -q 'QorTests\\' ||
        "${wine_run[@]}" reg delete 'HKCU\Software\QorTests' /f >/dev/null 2>&1 || true
}
trap cleanup EXIT

cleanup
# Wine's Z: drive is the Unix root.
"${wine_run[@]}" regedit /s "Z:${reg_file//\//\\}"
"${wine_run[@]}" "$check_program"
