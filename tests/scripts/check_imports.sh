#!/usr/bin/env bash
# Checks that a Windows program starts on Windows XP SP2: it imports only the system DLLs
# every XP has (kernel32, advapi32, user32, netapi32, msvcrt), none of the functions that
# arrived with Vista or later (toolchains and their runtimes pull some in unasked), and its
# image asks for a subsystem version XP accepts. Prints what the program imports.
#
#   check_imports.sh OBJDUMP PROGRAM.exe
set -euo pipefail

objdump=$1
program=$2

allowed_dlls='^(kernel32|advapi32|user32|netapi32|msvcrt)\.dll$'

# Functions Windows XP SP2 lacks, as extended regular expressions over the imported name.
denied_functions=(
    'GetTickCount64' 'QueryUnbiasedInterruptTime' 'GetSystemTimePreciseAsFileTime'
    '^Fls(Alloc|Free|GetValue|SetValue)$'
    'SRWLock' 'ConditionVariable' '^InitOnce' 'InitializeCriticalSectionEx'
    '^Create(Event|Mutex|Semaphore|WaitableTimer)Ex[AW]$' '^CreateFile2$' '^CreateRemoteThreadEx$'
    '^CreateSymbolicLink' '^CreateHardLinkTransacted' 'Transacted[AW]?$'
    '^GetFileInformationByHandleEx$' '^SetFileInformationByHandle$'
    '^GetFinalPathNameByHandle' '^GetVolumeInformationByHandleW$'
    'LocaleName' '^IsValidLocaleName$'
    '^(CompareString|LCMapString|GetLocaleInfo|GetNumberFormat|GetCurrencyFormat|GetDateFormat|GetTimeFormat|GetCalendarInfo|EnumSystemLocales|EnumDateFormats|EnumTimeFormats|EnumCalendarInfo|FindNLSString|GetDurationFormat)Ex$'
    'PreferredUILanguages' '^GetUILanguageInfo$' '^GetThreadUILanguage$' '^SetThreadUILanguage$'
    'Threadpool' '^TrySubmitThreadpoolCallback$' '^GetCurrentProcessorNumber'
    '^GetLogicalProcessorInformation' '^GetThreadId$' '^GetProcessIdOfThread$'
    '^CancelIoEx$' '^CancelSynchronousIo$' '^GetQueuedCompletionStatusEx$'
    '^SetFileCompletionNotificationModes$' '^QueryFullProcessImageName' '^GetErrorMode$'
    '^SetThreadErrorMode$' '^GetThreadErrorMode$' '^GetProductInfo$' '^Wer' '^Wow64'
    '^RegGetValue' '^RegDeleteKeyEx' '^RegSetKeyValue' '^RegDeleteTree' '^RegCopyTree'
    '^RegLoadMUIString' '^RegDeleteKeyValue' '^InterlockedCompareExchange64$'
    '^SetThreadStackGuarantee$' '^GetNamedPipe(Client|Server)' '^K32'
)

dump=$("$objdump" -p "$program")

# "DLL function" pairs from the import tables; an import by ordinal shows as #ordinal.
imports=$(awk '
    /^[ \t]*DLL Name:/ { dll = tolower($3); next }
    dll != "" && /^[ \t]*vma:/ { next }
    dll != "" && NF == 0 { dll = ""; next }
    dll != "" && /^[ \t]*[0-9a-f]+[ \t]+[0-9]+[ \t]+[^ \t]+/ { print dll, $3; next }
    dll != "" && /<none>/ { print dll, "#" $2 }
' <<<"$dump")

if [ -z "$imports" ]; then
    echo "no import table found in $program" >&2
    exit 1
fi

echo "Imports of $(basename "$program"):"
sed 's/ /!/; s/^/    /' <<<"$imports"

failed=0
while read -r dll; do
    if ! grep -Eqi "$allowed_dlls" <<<"$dll"; then
        echo "FAIL: imports from $dll, which is not one of the allowed system DLLs" >&2
        failed=1
    fi
done < <(cut -d' ' -f1 <<<"$imports" | sort -u)

denied=$(IFS='|'; echo "${denied_functions[*]}")
while read -r dll function; do
    echo "FAIL: $dll!$function does not exist on Windows XP SP2" >&2
    failed=1
done < <(awk -v denied="$denied" '$2 ~ denied' <<<"$imports")

# XP refuses images that ask for a later subsystem: 32-bit XP is 5.1, 64-bit XP is 5.2.
major=$(awk '/^MajorSubsystemVersion/ { print $2 }' <<<"$dump")
minor=$(awk '/^MinorSubsystemVersion/ { print $2 }' <<<"$dump")
if grep -q '^Magic[[:space:]]*020b' <<<"$dump"; then highest=502; else highest=501; fi
if [ $((major * 100 + minor)) -gt "$highest" ]; then
    echo "FAIL: subsystem version $major.$minor is later than Windows XP's" >&2
    failed=1
fi
if ! grep -q '^Subsystem.*Windows GUI' <<<"$dump"; then
    echo "FAIL: not a GUI program: a console window would open beside the message boxes" >&2
    failed=1
fi

exit $failed
