// The search for the browser component below a profile folder, on a private tree: the same
// tests run on the host and under Wine.
#include <set>

#include "patch_profiles.h"
#include "stage_folders.h"

namespace
{
class ProfileSearch : public StageFolderTest
{
protected:
    ProfileSearch()
        : StageFolderTest(TEXT("C:\\qor_profile_search")),
          m_strProfiles(m_strRoot + TEXT("\\Profiles"))
    {
    }

    // Every path the search appends, in any order: the file system picks it.
    std::multiset<std::string> search(bool& bFound)
    {
        CQORStringList listFound;
        bFound = findComponentFile(m_strProfiles.c_str(), listFound);
        std::multiset<std::string> setFound;
        for (const CQORStringNode* pNode = listFound.m_pHead; pNode != nullptr;
             pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
            setFound.insert(utf8(pNode->get().getBuffer()));
        return setFound;
    }

    std::string below(const char* szPath) const
    {
        return utf8(m_strProfiles.c_str()) + "\\" + szPath;
    }

    wstring_t m_strProfiles;
};
} // namespace

TEST_F(ProfileSearch, FindsEveryCopyAtAnyDepth)
{
    const char* const aszCopies[] = {
        "abc.default\\extensions\\{id}\\components\\qorlks_moz_xpcom.dll",
        "work.profile\\extensions\\{id}\\components\\qorlks_moz_xpcom.dll",
        "qorlks_moz_xpcom.dll",
    };
    std::multiset<std::string> setExpected;
    for (const char* szCopy : aszCopies)
    {
        writeFile(wide(below(szCopy)), "old");
        setExpected.insert(below(szCopy));
    }
    writeFile(wide(below("abc.default\\prefs.js")), "prefs");
    bool bFound = false;
    EXPECT_EQ(setExpected, search(bFound));
    EXPECT_TRUE(bFound);
}

TEST_F(ProfileSearch, OnlyTheExactNameMatches)
{
    for (const char* szOther :
         {"QORLKS_MOZ_XPCOM.DLL", "Qorlks_moz_xpcom.dll", "qorlks_moz_xpcom.dll.bak",
          "xqorlks_moz_xpcom.dll", "qorlks_moz_xpcom"})
        writeFile(wide(below("abc.default\\components\\")) + wide(szOther), "other");
    bool bFound = true;
    EXPECT_TRUE(search(bFound).empty());
    EXPECT_FALSE(bFound);
}

TEST_F(ProfileSearch, AFolderOfThatNameCountsAndIsNotSearched)
{
    writeFile(wide(below("abc.default\\qorlks_moz_xpcom.dll\\qorlks_moz_xpcom.dll")), "inner");
    bool bFound = false;
    EXPECT_EQ(std::multiset<std::string>{below("abc.default\\qorlks_moz_xpcom.dll")},
              search(bFound));
    EXPECT_TRUE(bFound);
}

TEST_F(ProfileSearch, AMissingOrEmptyFolderFindsNothing)
{
    bool bFound = true;
    EXPECT_TRUE(search(bFound).empty()) << "no Profiles folder";
    EXPECT_FALSE(bFound);
    makeFolders(m_strProfiles + TEXT("\\abc.default\\extensions"));
    bFound = true;
    EXPECT_TRUE(search(bFound).empty());
    EXPECT_FALSE(bFound);
}
