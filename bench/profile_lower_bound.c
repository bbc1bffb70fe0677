/* The least a program can do for the patch's file work on a host machine folder, in plain C:
 * rename the seven component files to their backups and put each new file in place, then walk
 * every normal account's Firefox profile folder (without following links) and replace each
 * copy of the extension's component, and mark the patch in the registry file. Every file is
 * replaced as the program replaces it, never truncated in place: written beside the target,
 * flushed, renamed over it, the folder flushed. No case-insensitive names, no handles,
 * no error codes: the floor the host program is measured against.
 *
 *   profile_lower_bound MACHINE_FOLDER
 *
 * It is run from the patch's folder (drive_c/Velmora Patch), as the program is. */
#define _XOPEN_SOURCE 700
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define INSTALL_DIR "Program Files/Arvenne/Velmora/Locksmere/"
#define PROFILES "/Application Data/Mozilla/Firefox/Profiles"

/* The program's own list; its "\\" separators become "/" when the paths are made. */
static const char* const g_apszFiles[] = {
#define QOR_COMPONENT_FILE(path) path,
#include "patch_component_files.h"
#undef QOR_COMPONENT_FILE
};
#define FILE_COUNT (sizeof(g_apszFiles) / sizeof(g_apszFiles[0]))
static char g_aszFiles[FILE_COUNT][256];
/* The browser component: the name of the last entry. */
static const char* g_szComponent;

/* The entries with "/" separators. */
static void makeFileNames(void)
{
    for (size_t i = 0; i < FILE_COUNT; ++i)
    {
        if (strlen(g_apszFiles[i]) >= sizeof(g_aszFiles[i]))
            exit(3);
        strcpy(g_aszFiles[i], g_apszFiles[i]);
        for (char* p = g_aszFiles[i]; *p != 0; ++p)
        {
            if (*p == '\\')
                *p = '/';
        }
    }
    g_szComponent = strrchr(g_aszFiles[FILE_COUNT - 1], '/') + 1;
}

static char* g_pComponent;
static size_t g_nComponent;

static char* readAll(const char* szPath, size_t* pnSize)
{
    int iFile = open(szPath, O_RDONLY);
    struct stat info;
    char* pBytes = NULL;
    if (iFile < 0 || fstat(iFile, &info) != 0)
        goto done;
    pBytes = malloc((size_t)info.st_size + 1);
    if (pBytes == NULL || read(iFile, pBytes, (size_t)info.st_size) != info.st_size)
    {
        free(pBytes);
        pBytes = NULL;
        goto done;
    }
    pBytes[info.st_size] = 0;
    *pnSize = (size_t)info.st_size;
done:
    if (iFile >= 0)
        close(iFile);
    return pBytes;
}

static int writeAll(const char* szPath, const char* pBytes, size_t nSize)
{
    int iFile = open(szPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (iFile < 0)
        return -1;
    int iResult = write(iFile, pBytes, nSize) == (ssize_t)nSize ? 0 : -1;
    close(iFile);
    return iResult;
}

/* The new content under a temporary name beside the target, flushed, then renamed over it
 * and the folder flushed: what the program's copy-then-move with write-through costs. */
static int replaceSafely(const char* szTarget, const char* pBytes, size_t nSize)
{
    char szTemporary[4096];
    if (snprintf(szTemporary, sizeof(szTemporary), "%s.~lkp", szTarget) >= (int)sizeof(szTemporary))
        return -1;
    int iFile = open(szTemporary, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (iFile < 0)
        return -1;
    int iResult = write(iFile, pBytes, nSize) == (ssize_t)nSize && fsync(iFile) == 0 ? 0 : -1;
    close(iFile);
    if (iResult == 0)
        iResult = rename(szTemporary, szTarget);
    if (iResult != 0)
        (void)unlink(szTemporary);
    char szFolder[4096];
    snprintf(szFolder, sizeof(szFolder), "%s", szTarget);
    char* pSlash = strrchr(szFolder, '/');
    if (iResult == 0 && pSlash != NULL)
    {
        *pSlash = 0;
        int iFolder = open(szFolder, O_RDONLY);
        if (iFolder >= 0)
        {
            (void)fsync(iFolder);
            close(iFolder);
        }
    }
    return iResult;
}

static int copyFile(const char* szFrom, const char* szTo)
{
    size_t nSize = 0;
    char* pBytes = readAll(szFrom, &nSize);
    int iResult = pBytes != NULL ? replaceSafely(szTo, pBytes, nSize) : -1;
    free(pBytes);
    return iResult;
}

static int visit(const char* szPath, const struct stat* pInfo, int iFlag, struct FTW* pWalk)
{
    (void)pInfo;
    if (iFlag == FTW_F && strcmp(szPath + pWalk->base, g_szComponent) == 0)
        (void)replaceSafely(szPath, g_pComponent, g_nComponent);
    return 0;
}

static void replaceFiles(const char* szDrive)
{
    char szInstalled[4096];
    char szBackup[4096];
    for (size_t i = 0; i < FILE_COUNT; ++i)
    {
        if (snprintf(szInstalled, sizeof(szInstalled), "%s/" INSTALL_DIR "%s", szDrive,
                     g_aszFiles[i]) >= (int)sizeof(szInstalled) ||
            snprintf(szBackup, sizeof(szBackup), "%s.bak", szInstalled) >= (int)sizeof(szBackup))
            exit(3);
        if (access(szBackup, F_OK) != 0)
            (void)rename(szInstalled, szBackup);
        if (copyFile(g_aszFiles[i], szInstalled) != 0)
            exit(3);
    }
}

/* Each "name = normal" or "name = disabled" line of machine.ini's [accounts] section. */
static void updateProfiles(const char* szMachine, const char* szDrive)
{
    char szPath[4096];
    FILE* pIni = NULL;
    if (snprintf(szPath, sizeof(szPath), "%s/machine.ini", szMachine) < (int)sizeof(szPath))
        pIni = fopen(szPath, "r");
    if (pIni == NULL)
        return;
    char szLine[1024];
    int bAccounts = 0;
    while (fgets(szLine, sizeof(szLine), pIni) != NULL)
    {
        char szName[512];
        char szKind[64];
        if (szLine[0] == '[')
            bAccounts = strncmp(szLine, "[accounts]", 10) == 0;
        else if (bAccounts && sscanf(szLine, " %511[^= ] = %63s", szName, szKind) == 2 &&
                 (strcmp(szKind, "normal") == 0 || strcmp(szKind, "disabled") == 0))
        {
            if (snprintf(szPath, sizeof(szPath), "%s/Documents and Settings/%s" PROFILES, szDrive,
                         szName) < (int)sizeof(szPath))
                (void)nftw(szPath, visit, 16, FTW_PHYS);
        }
    }
    fclose(pIni);
}

/* The marker: the registry file read and written back whole, as the host does. */
static void markPatched(const char* szMachine)
{
    char szPath[4096];
    size_t nSize = 0;
    char* pBytes = NULL;
    if (snprintf(szPath, sizeof(szPath), "%s/registry.reg", szMachine) < (int)sizeof(szPath))
        pBytes = readAll(szPath, &nSize);
    if (pBytes != NULL)
        (void)writeAll(szPath, pBytes, nSize);
    free(pBytes);
}

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: profile_lower_bound MACHINE_FOLDER\n");
        return 2;
    }
    char szDrive[4096];
    if (snprintf(szDrive, sizeof(szDrive), "%s/drive_c", argv[1]) >= (int)sizeof(szDrive))
        return 2;
    makeFileNames();
    g_pComponent = readAll(g_aszFiles[FILE_COUNT - 1], &g_nComponent);
    if (g_pComponent == NULL)
        return 3;
    replaceFiles(szDrive);
    updateProfiles(argv[1], szDrive);
    markPatched(argv[1]);
    free(g_pComponent);
    return 0;
}
