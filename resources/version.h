// The program's version, in one place: the version resource of LocksmerePatch.rc and the
// first line of the run's log both take it from here.
#pragma once

#define LOCKSMERE_VERSION_MAJOR 8
#define LOCKSMERE_VERSION_MINOR 1
#define LOCKSMERE_VERSION_BUILD 0
#define LOCKSMERE_VERSION_REVISION 1

// "8.1.0.1": the four numbers joined by dots, as the version resource's strings spell them.
#define LOCKSMERE_VERSION_QUOTE(text) #text
#define LOCKSMERE_VERSION_JOIN(major, minor, build, revision)                                      \
    LOCKSMERE_VERSION_QUOTE(major.minor.build.revision)
#define LOCKSMERE_VERSION_TEXT                                                                     \
    LOCKSMERE_VERSION_JOIN(LOCKSMERE_VERSION_MAJOR, LOCKSMERE_VERSION_MINOR,                       \
                           LOCKSMERE_VERSION_BUILD, LOCKSMERE_VERSION_REVISION)
