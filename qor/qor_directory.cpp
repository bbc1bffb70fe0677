#include "qor_directory.h"

#include "qor_handle.h"
#include "qor_log_scope.h"

namespace
{
const WCHAR kSeparator[] = TEXT("\\");

// The search that shows whether the path is there: a folder, drive root or bare drive is
// searched for its entries, anything else for itself.
CQORWCharString searchPatternOf(const CQORWCharString& szPath)
{
    CQORWCharString szPattern(szPath);
    ULONG ulLength = szPattern.getLength();
    WCHAR chLast = szPattern[ulLength - 1];
    WCHAR chBeforeLast = szPattern[ulLength - 2];
    if (chBeforeLast == ':')
    {
        if (chLast == '\\')
            szPattern += TEXT("*");
    }
    else if (chLast == ':')
        szPattern += TEXT("\\*");
    else if (chLast == '\\' || chLast == '/')
        szPattern += TEXT("*");
    return szPattern;
}

bool hasFolderAttribute(LPCWSTR szPath)
{
    DWORD dwAttributes = GetFileAttributesW(szPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES &&
           (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
} // namespace

CQORDirectory::CQORDirectory(const CQORWCharString& szDirectoryName)
{
    QOR_TRACE(scope, "CQORDirectory", "Constructor");
    try
    {
        if (!setDirectoryName(szDirectoryName))
            throw CQORDirectoryInitException(QOR_HERE);
    }
    QOR_CATCH_REPORT(static_cast<LONG>(GetLastError()))
    scope.passed(true);
}

CQORDirectory::~CQORDirectory()
{
    QOR_TRACE(scope, "CQORDirectory", "Destructor");
    m_szDirectoryName.destroyBuffer();
    scope.passed(true);
}

bool CQORDirectory::setDirectoryName(const CQORWCharString& szDirectoryName)
{
    QOR_TRACE(scope, "CQORDirectory", "setDirectoryName");
    try
    {
        // Assignment only logs a failed copy, leaving the name without storage.
        m_szDirectoryName = szDirectoryName;
        return scope.passed(m_szDirectoryName.isValid() || !szDirectoryName.isValid());
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}

bool CQORDirectory::isValidWindowsDirectory(const CQORWCharString& szPath)
{
    QOR_TRACE(scope, "CQORDirectory", "isValidWindowsDirectory");
    try
    {
        CQORWCharString szPattern = searchPatternOf(szPath);
        WIN32_FIND_DATAW findData;
        CQORFindHandle search(FindFirstFileW(szPattern.getBuffer(), &findData));
        if (search.isValid())
            return scope.answered(hasFolderAttribute(szPath.getBuffer()));
        // An empty drive root lists no entry at all, not even "." and "..", yet is a folder.
        return scope.answered(GetLastError() == ERROR_FILE_NOT_FOUND &&
                              hasFolderAttribute(szPath.getBuffer()));
    }
    QOR_CATCH_RETURN(scope.answered(false), static_cast<LONG>(GetLastError()))
}

bool CQORDirectory::isValidDirectory()
{
    QOR_TRACE(scope, "CQORDirectory", "isValidDirectory");
    return scope.answered(isValidWindowsDirectory(m_szDirectoryName));
}

bool CQORDirectory::createDirectory()
{
    try
    {
        if (isValidDirectory() || m_szDirectoryName.getLength() == 0)
            return false;
        // Windows takes "/" as a separator too: the levels are cut at either.
        CQORWCharString szPath(m_szDirectoryName);
        const CQORWCharString szSeparator(kSeparator);
        if (szPath.contains(TEXT("/")))
            szPath.replace(TEXT("/"), szSeparator, 0, ssmAll);
        if (!szPath.endsWith(szSeparator))
            szPath += szSeparator;
        bool bCreated = false;
        CQORWCharString szLevel;
        for (ULONG ulLevel = 1; szPath.extractUpTo(szLevel, szSeparator, ulLevel, pmForward, true);
             ++ulLevel)
        {
            CQORDirectory level(szLevel);
            if (level.isValidDirectory())
                continue;
            if (!CreateDirectoryW(szLevel.getBuffer(), nullptr))
                return false;
            bCreated = true;
        }
        return bCreated;
    }
    QOR_CATCH_RETURN(false, static_cast<LONG>(GetLastError()))
}
