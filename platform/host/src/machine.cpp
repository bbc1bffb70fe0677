// The machine folder and the in-memory test machine (see host_machine.h).
#include "host_machine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "host_files.h"
#include "host_registry.h"

namespace qorhost
{

namespace
{

std::string trim(const std::string& strText)
{
    const char* szBlanks = " \t\r\n";
    size_t nStart = strText.find_first_not_of(szBlanks);
    if (nStart == std::string::npos)
        return std::string();
    size_t nEnd = strText.find_last_not_of(szBlanks);
    return strText.substr(nStart, nEnd - nStart + 1);
}

std::string readWholeFile(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Button names as machine.ini spells them, in the IDOK..IDNO order.
const char* const g_aszAnswerNames[] = {"ok", "cancel", "abort", "retry", "ignore", "yes", "no"};

bool parseAnswer(const std::string& strWord, int& iAnswer)
{
    std::string strLower = asciiLower(trim(strWord));
    for (int i = 0; i < 7; ++i)
    {
        if (strLower == g_aszAnswerNames[i])
        {
            iAnswer = i + 1;
            return true;
        }
    }
    char* pEnd = nullptr;
    long lValue = std::strtol(strLower.c_str(), &pEnd, 10);
    if (strLower.empty() || *pEnd != '\0')
        return false;
    iAnswer = static_cast<int>(lValue);
    return true;
}

bool isDotComponent(const std::string& strPart)
{
    return strPart == "." || strPart == "..";
}

bool hasDotComponent(const std::string& strPath)
{
    std::istringstream parts(strPath);
    std::string strPart;
    while (std::getline(parts, strPart, '/'))
    {
        if (isDotComponent(strPart))
            return true;
    }
    return false;
}

// strRest below a drive root ("/a/../b"), its "." and ".." taken by the name alone as Windows
// takes them: ".." at the root stays there, so no path leaves its drive.
std::string clampedBelowRoot(const std::string& strRest)
{
    std::vector<std::string> vecKept;
    std::istringstream parts(strRest);
    std::string strPart;
    while (std::getline(parts, strPart, '/'))
    {
        if (strPart == "..")
        {
            if (!vecKept.empty())
                vecKept.pop_back();
        }
        else if (!strPart.empty() && !isDotComponent(strPart))
            vecKept.push_back(strPart);
    }
    std::string strClamped;
    for (const std::string& strKept : vecKept)
        strClamped += "/" + strKept;
    if (strClamped.empty() || strRest.back() == '/')
        strClamped += "/";
    return strClamped;
}

// Where the working folder lies on one of the drives below strRoot: the drive folder and the
// rest of the working folder's path. False when it lies elsewhere.
bool workingFolderOnDrive(const std::string& strRoot, std::string& strDrive, std::string& strRest)
{
    std::error_code error;
    std::string strWorking = std::filesystem::current_path(error).string();
    std::string strDrives = std::filesystem::weakly_canonical(strRoot, error).string() + "/drive_";
    if (error || strWorking.compare(0, strDrives.size(), strDrives) != 0 ||
        strWorking.size() <= strDrives.size())
        return false;
    size_t nEnd = strWorking.find('/', strDrives.size());
    strDrive = strWorking.substr(0, nEnd);
    strRest = nEnd == std::string::npos ? std::string() : strWorking.substr(nEnd);
    return true;
}

// machine.ini's [faults]: "Function = error", as failCall injects them, for whole-program runs;
// "FileChange.abort = k" as abortAtFileChange.
void injectIniFaults(Machine& machine, const HostIni& ini)
{
    for (const auto& line : ini.lines("faults"))
    {
        char* pEnd = nullptr;
        unsigned long ulError = std::strtoul(line.second.c_str(), &pEnd, 0);
        if (pEnd == line.second.c_str() || *pEnd != '\0')
            continue;
        if (asciiLower(line.first) == "filechange.abort")
            machine.setFileChangeFault(0, 0, static_cast<int>(ulError));
        else
            machine.injectFailure(line.first, static_cast<DWORD>(ulError), std::string(), 0);
    }
}

} // namespace

std::string asciiLower(std::string strText)
{
    for (char& c : strText)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return strText;
}

void HostIni::parse(const std::string& strText)
{
    m_mapSections.clear();
    m_mapLines.clear();
    std::istringstream lines(strText);
    std::string strLine;
    std::string strSection;
    while (std::getline(lines, strLine))
    {
        strLine = trim(strLine);
        if (strLine.empty() || strLine[0] == ';' || strLine[0] == '#')
            continue;
        if (strLine[0] == '[')
        {
            size_t nClose = strLine.find(']');
            strSection = asciiLower(trim(strLine.substr(1, nClose - 1)));
            continue;
        }
        size_t nEquals = strLine.find('=');
        if (nEquals == std::string::npos)
            continue;
        std::string strKey = trim(strLine.substr(0, nEquals));
        std::string strValue = trim(strLine.substr(nEquals + 1));
        m_mapSections[strSection][asciiLower(strKey)] = strValue;
        m_mapLines[strSection].emplace_back(strKey, strValue);
    }
}

std::vector<std::pair<std::string, std::string>> HostIni::lines(const std::string& strSection) const
{
    auto itSection = m_mapLines.find(asciiLower(strSection));
    if (itSection == m_mapLines.end())
        return {};
    return itSection->second;
}

bool HostIni::get(const std::string& strSection, const std::string& strKey,
                  std::string& strValue) const
{
    auto itSection = m_mapSections.find(asciiLower(strSection));
    if (itSection == m_mapSections.end())
        return false;
    auto itKey = itSection->second.find(asciiLower(strKey));
    if (itKey == itSection->second.end())
        return false;
    strValue = itKey->second;
    return true;
}

Machine& Machine::current()
{
    static Machine* s_pMachine = nullptr;
    if (s_pMachine == nullptr)
    {
        s_pMachine = new Machine();
        s_pMachine->loadFromFolder();
        std::atexit([] { s_pMachine->removeTemporaryDrives(); });
    }
    return *s_pMachine;
}

void Machine::removeTemporaryDrives()
{
    if (m_strTemporaryDrives.empty())
        return;
    std::error_code error;
    std::filesystem::remove_all(m_strTemporaryDrives, error);
    m_strTemporaryDrives.clear();
}

void Machine::loadFromFolder()
{
    const char* szFolder = std::getenv("QOR_MACHINE");
    if (szFolder != nullptr && *szFolder != '\0')
        loadFromFolder(szFolder);
    else
    {
        const char* szHome = std::getenv("HOME");
        loadFromFolder(std::string(szHome != nullptr ? szHome : ".") + "/.qor");
    }
}

void Machine::resetState()
{
    resetRegistry();
    resetLoadedModules();
    resetProfileCache();
    m_vecFaults.clear();
    m_nLimitedWrites = 0;
    setFileChangeFault(0, 0, 0);
    removeTemporaryDrives();
    m_setDrivesMade.clear();
}

void Machine::loadFromFolder(const std::string& strFolder)
{
    resetState();
    m_strFolder = strFolder;
    m_bInMemory = false;
    m_ini.parse(readWholeFile(m_strFolder + "/machine.ini"));
    m_dequeAnswers.clear();
    m_vecEvents.clear();
    resetProcess();
    loadDialogScript();
    injectIniFaults(*this, m_ini);
}

void Machine::resetInMemory()
{
    resetState();
    m_bInMemory = true;
    m_strFolder.clear();
    m_ini.parse(std::string());
    m_dequeAnswers.clear();
    m_vecEvents.clear();
    resetProcess();
}

void Machine::resetProcess()
{
    // The objects go after the lock is let go, as in removeHandle.
    std::map<uintptr_t, HostHandle> mapClosed;
    std::lock_guard<std::mutex> lock(m_handlesLock);
    mapClosed.swap(m_mapHandles);
    m_uNextHandle = kFirstHandle;
    m_pProcessToken.reset();
    m_strProgramPath.clear();
}

void Machine::setIniText(const std::string& strText)
{
    m_ini.parse(strText);
    m_dequeAnswers.clear();
    loadDialogScript();
}

void Machine::loadDialogScript()
{
    std::string strAnswers;
    if (!m_ini.get("dialogs", "answers", strAnswers))
        return;
    std::istringstream words(strAnswers);
    std::string strWord;
    while (std::getline(words, strWord, ','))
    {
        int iAnswer = 0;
        if (parseAnswer(strWord, iAnswer))
            m_dequeAnswers.push_back(iAnswer);
    }
}

bool Machine::takeDialogAnswer(int& iAnswer)
{
    if (m_dequeAnswers.empty())
        return false;
    iAnswer = m_dequeAnswers.front();
    m_dequeAnswers.pop_front();
    return true;
}

void Machine::scriptDialogAnswers(const std::vector<int>& vecAnswers)
{
    m_dequeAnswers.insert(m_dequeAnswers.begin(), vecAnswers.begin(), vecAnswers.end());
}

void Machine::recordEvent(const HostEvent& event, const std::string& strLogLine)
{
    m_vecEvents.push_back(event);
    if (m_bInMemory)
        return;
    std::ofstream log(m_strFolder + "/events.log", std::ios::app | std::ios::binary);
    log << strLogLine << "\n";
}

LANGID Machine::uiLanguage() const
{
    std::string strLanguage;
    if (!m_ini.get("system", "language", strLanguage))
        return 1033;
    char* pEnd = nullptr;
    long lValue = std::strtol(strLanguage.c_str(), &pEnd, 0);
    if (pEnd == strLanguage.c_str() || lValue <= 0 || lValue > 0xFFFF)
        return 1033;
    return static_cast<LANGID>(lValue);
}

HANDLE Machine::addHandle(const std::shared_ptr<HostObject>& pObject, DWORD dwAccess)
{
    std::lock_guard<std::mutex> lock(m_handlesLock);
    uintptr_t uHandle = m_uNextHandle;
    m_uNextHandle += 4;
    m_mapHandles[uHandle] = HostHandle{pObject, dwAccess};
    return reinterpret_cast<HANDLE>(uHandle);
}

const HostHandle* Machine::findHandle(HANDLE hHandle) const
{
    std::lock_guard<std::mutex> lock(m_handlesLock);
    auto it = m_mapHandles.find(reinterpret_cast<uintptr_t>(hHandle));
    return it == m_mapHandles.end() ? nullptr : &it->second;
}

bool Machine::removeHandle(HANDLE hHandle)
{
    // The object goes after the lock is let go: its end may close what it holds.
    std::shared_ptr<HostObject> pClosed;
    std::lock_guard<std::mutex> lock(m_handlesLock);
    auto it = m_mapHandles.find(reinterpret_cast<uintptr_t>(hHandle));
    if (it == m_mapHandles.end())
        return false;
    pClosed = it->second.pObject;
    m_mapHandles.erase(it);
    return true;
}

size_t Machine::openHandleCount() const
{
    std::lock_guard<std::mutex> lock(m_handlesLock);
    return m_mapHandles.size();
}

HostRelease Machine::release() const
{
    HostRelease release;
    std::string strValue;
    if (m_ini.get("system", "version", strValue))
    {
        unsigned uMajor = 0;
        unsigned uMinor = 0;
        char cExtra = 0;
        if (std::sscanf(strValue.c_str(), "%u.%u%c", &uMajor, &uMinor, &cExtra) == 2)
        {
            release.dwMajor = uMajor;
            release.dwMinor = uMinor;
        }
    }
    if (m_ini.get("system", "servicepack", strValue))
    {
        char* pEnd = nullptr;
        unsigned long ulPack = std::strtoul(strValue.c_str(), &pEnd, 10);
        if (pEnd != strValue.c_str() && *pEnd == '\0' && ulPack < 100)
            release.dwServicePack = static_cast<DWORD>(ulPack);
    }
    if (m_ini.get("system", "arch", strValue))
    {
        strValue = asciiLower(strValue);
        release.bX64 = strValue == "x64" || strValue == "amd64" || strValue == "x86_64";
    }
    return release;
}

// The build numbers Windows reports for its releases; Vista and 7 count service packs in it.
DWORD HostRelease::buildNumber() const
{
    DWORD dwVersion = dwMajor * 10 + dwMinor;
    switch (dwVersion)
    {
    case 50:
        return 2195;
    case 51:
        return 2600;
    case 52:
        return 3790;
    case 60:
        return 6000 + dwServicePack;
    case 61:
        return 7600 + dwServicePack;
    case 62:
        return 9200;
    case 63:
        return 9600;
    default:
        return dwMajor >= 10 ? 19045 : 0;
    }
}

std::u16string foldCase(const std::u16string& strText)
{
    std::u16string strFolded = strText;
    if (!strFolded.empty())
        CharUpperW(&strFolded[0]);
    return strFolded;
}

DWORD Machine::injectedFailure(const char* szFunction, const std::u16string& strKeyPath)
{
    return injectedFailure(szFunction, {strKeyPath});
}

DWORD Machine::injectedFailure(const char* szFunction,
                               std::initializer_list<std::u16string> listPaths)
{
    if (m_vecFaults.empty())
        return 0;
    std::vector<std::u16string> vecFolded;
    for (const std::u16string& strPath : listPaths)
        vecFolded.push_back(foldCase(strPath));
    for (auto it = m_vecFaults.begin(); it != m_vecFaults.end(); ++it)
    {
        if (it->strFunction != szFunction ||
            (!it->strKeyPath.empty() &&
             std::find(vecFolded.begin(), vecFolded.end(), it->strKeyPath) == vecFolded.end()))
            continue;
        DWORD dwError = it->dwError;
        if (it->nRemaining > 0 && --it->nRemaining == 0)
            m_vecFaults.erase(it);
        return dwError;
    }
    return 0;
}

DWORD Machine::countFileChange()
{
    ++m_nFileChanges;
    if (m_nFileChanges == m_nAbortAtChange)
        _exit(kFileChangeAbortStatus);
    return m_nFileChanges == m_nFailAtChange ? m_dwChangeError : 0;
}

void Machine::setFileChangeFault(int nFailAt, DWORD dwError, int nAbortAt)
{
    m_nFileChanges = 0;
    m_nFailAtChange = nFailAt;
    m_dwChangeError = dwError;
    m_nAbortAtChange = nAbortAt;
}

DWORD Machine::takeWriteLimit(DWORD dwBytes)
{
    if (m_nLimitedWrites == 0)
        return dwBytes;
    --m_nLimitedWrites;
    return dwBytes < m_dwWriteLimit ? dwBytes : m_dwWriteLimit;
}

void Machine::limitWrites(DWORD dwMaxBytes, int nCount)
{
    m_dwWriteLimit = dwMaxBytes;
    m_nLimitedWrites = nCount;
}

void Machine::injectFailure(const std::string& strFunction, DWORD dwError,
                            const std::string& strKeyPath, int nCount)
{
    std::u16string strFolded = foldCase(fromUtf8(strKeyPath));
    for (auto it = m_vecFaults.begin(); it != m_vecFaults.end();)
    {
        if (it->strFunction == strFunction && it->strKeyPath == strFolded)
            it = m_vecFaults.erase(it);
        else
            ++it;
    }
    if (dwError != 0)
        m_vecFaults.push_back({strFunction, strFolded, dwError, nCount > 0 ? nCount : 0});
}

void Machine::splitHostPath(const std::u16string& strWindowsPath, std::string& strBase,
                            std::string& strRest)
{
    std::string strPath = toUtf8(withoutLongPathPrefix(strWindowsPath));
    for (char& c : strPath)
    {
        if (c == '\\')
            c = '/';
    }
    bool bDrive =
        strPath.size() >= 2 && strPath[1] == ':' &&
        ((strPath[0] >= 'a' && strPath[0] <= 'z') || (strPath[0] >= 'A' && strPath[0] <= 'Z'));
    if (!bDrive && (strPath.empty() || strPath[0] != '/'))
        return splitRelativePath(strPath, strBase, strRest);
    std::string strDrive = "drive_" + asciiLower(bDrive ? strPath.substr(0, 1) : "c");
    strRest = bDrive ? strPath.substr(2) : strPath;
    if (!strRest.empty() && strRest[0] != '/')
        strRest = "/" + strRest;
    if (hasDotComponent(strRest))
        strRest = clampedBelowRoot(strRest);
    strBase = drivesFolder() + "/" + strDrive;
    // A drive's folder is made once per machine, not looked for on every call.
    if (m_setDrivesMade.insert(strBase).second)
    {
        std::error_code error;
        std::filesystem::create_directories(strBase, error);
    }
}

void Machine::splitRelativePath(const std::string& strPath, std::string& strBase,
                                std::string& strRest)
{
    std::string strDrive;
    std::string strWorking;
    // A relative path is on the working folder's drive: its ".." stops at that drive's root.
    if (hasDotComponent(strPath) && workingFolderOnDrive(drivesFolder(), strDrive, strWorking))
    {
        strBase = strDrive;
        strRest = clampedBelowRoot(strWorking + "/" + strPath);
        return;
    }
    strBase.clear();
    strRest = strPath;
}

std::string Machine::drivesFolder()
{
    std::string strRoot = m_strFolder;
    if (m_bInMemory)
    {
        if (m_strTemporaryDrives.empty())
        {
            // In TMPDIR when it is set, as other temporary files are (a RAM folder there
            // makes a run that starts many machines much faster).
            const char* szTemp = std::getenv("TMPDIR");
            std::string strTemplate =
                std::string(szTemp != nullptr && *szTemp != '\0' ? szTemp : "/tmp") +
                "/qor-drives-XXXXXX";
            if (mkdtemp(strTemplate.data()) != nullptr)
                m_strTemporaryDrives = strTemplate;
        }
        strRoot = m_strTemporaryDrives;
    }
    return strRoot;
}

std::string Machine::objectsFolder()
{
    std::string strFolder = drivesFolder() + "/named-objects";
    std::error_code error;
    std::filesystem::create_directories(strFolder, error);
    return strFolder;
}

std::string Machine::hostPath(const std::u16string& strWindowsPath)
{
    std::string strBase;
    std::string strRest;
    splitHostPath(strWindowsPath, strBase, strRest);
    return resolveCase(strBase, strRest);
}

bool Machine::workingFolder(std::u16string& strFolder)
{
    std::string strDrive;
    std::string strRest;
    if (!workingFolderOnDrive(drivesFolder(), strDrive, strRest))
        return false;
    std::string strWindows =
        std::string(1,
                    static_cast<char>(std::toupper(static_cast<unsigned char>(strDrive.back())))) +
        ":" + (strRest.empty() ? "/" : strRest);
    for (char& c : strWindows)
    {
        if (c == '/')
            c = '\\';
    }
    strFolder = fromUtf8(strWindows);
    return true;
}

std::string Machine::hostPathAsSpelled(const std::u16string& strWindowsPath)
{
    std::string strBase;
    std::string strRest;
    splitHostPath(strWindowsPath, strBase, strRest);
    return joinAsSpelled(strBase, strRest);
}

void resetMachine()
{
    Machine::current().resetInMemory();
}

void useMachineFolder(const std::string& strFolder)
{
    Machine::current().loadFromFolder(strFolder);
}

void setMachineIni(const std::string& strIniText)
{
    Machine::current().setIniText(strIniText);
}

void scriptDialogAnswers(const std::vector<int>& vecAnswers)
{
    Machine::current().scriptDialogAnswers(vecAnswers);
}

void setProgramPath(const std::u16string& strPath)
{
    Machine::current().setProgramPath(strPath);
}

std::string hostPath(LPCWSTR szWindowsPath)
{
    return Machine::current().hostPath(szWindowsPath == nullptr ? u"" : szWindowsPath);
}

void failCall(const std::string& strFunction, DWORD dwError, const std::string& strKeyPath,
              int nCount)
{
    Machine::current().injectFailure(strFunction, dwError, strKeyPath, nCount);
}

void failFileChange(int nAt, DWORD dwError)
{
    Machine::current().setFileChangeFault(nAt, dwError, 0);
}

void abortAtFileChange(int nAt)
{
    Machine::current().setFileChangeFault(0, 0, nAt);
}

int fileChangeCount()
{
    return Machine::current().fileChangeCount();
}

void limitWrites(DWORD dwMaxBytes, int nCount)
{
    Machine::current().limitWrites(dwMaxBytes, nCount);
}

const std::vector<HostEvent>& events()
{
    return Machine::current().events();
}

size_t openHandleCount()
{
    return Machine::current().openHandleCount();
}

namespace
{
std::vector<HostEvent> eventsOfKind(const std::string& strKind)
{
    std::vector<HostEvent> vecFound;
    for (const HostEvent& event : events())
    {
        if (event.kind == strKind)
            vecFound.push_back(event);
    }
    return vecFound;
}
} // namespace

std::vector<HostEvent> messageBoxes()
{
    return eventsOfKind("messagebox");
}

std::vector<HostEvent> exitRequests()
{
    return eventsOfKind("exitwindows");
}

} // namespace qorhost
