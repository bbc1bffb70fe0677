// netapi32 local user enumeration over machine.ini's [accounts] section: one line per
// account, name = kind, in the order listed. Kinds: normal, disabled (a normal account that
// is switched off), workstation, server and interdomain (trust accounts).
#pragma once

#include "host/win_types.h"

typedef DWORD NET_API_STATUS;

#define NERR_Success 0
#define NERR_BASE 2100
#define MAX_PREFERRED_LENGTH ((DWORD)-1)

#define FILTER_TEMP_DUPLICATE_ACCOUNT 0x0001
#define FILTER_NORMAL_ACCOUNT 0x0002
#define FILTER_INTERDOMAIN_TRUST_ACCOUNT 0x0008
#define FILTER_WORKSTATION_TRUST_ACCOUNT 0x0010
#define FILTER_SERVER_TRUST_ACCOUNT 0x0020

typedef struct _USER_INFO_0
{
    LPWSTR usri0_name;
} USER_INFO_0, *PUSER_INFO_0, *LPUSER_INFO_0;

// Level 0 only (else ERROR_INVALID_LEVEL); a server other than this computer is
// ERROR_BAD_NETPATH. Filter 0 selects every kind. At most 64 records a call, fewer when
// prefmaxlen bytes hold fewer: ERROR_MORE_DATA with *resume_handle moved on while more
// remain, NERR_Success with *resume_handle back at 0 on the last page. *totalentries counts
// the records from the resume point on. The records and their names are one buffer for
// NetApiBufferFree; a call that finds no record returns none.
NET_API_STATUS WINAPI NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE* bufptr,
                                  DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries,
                                  LPDWORD resume_handle);
NET_API_STATUS WINAPI NetApiBufferFree(LPVOID Buffer);
