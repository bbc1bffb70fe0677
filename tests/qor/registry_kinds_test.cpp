// Expandable strings, multi-strings and binary values, and the key's lists of them: filled
// and checked through the Win32 calls, so the same tests run on the host and under Wine.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "../platform/registry_test_support.h"
#include "qor_registry_binary.h"
#include "qor_registry_expand.h"
#include "qor_registry_multi_string.h"
#include "recording_engine.h"

namespace
{

std::vector<BYTE> bytesOf(const CQORBuffer<BYTE>& buffer)
{
    return std::vector<BYTE>(buffer.getBuffer(), buffer.getBuffer() + buffer.getNumElems());
}

CQORBuffer<BYTE> bufferOf(const std::vector<BYTE>& vecBytes)
{
    return CQORBuffer<BYTE>(vecBytes.data(), static_cast<ULONG>(vecBytes.size()), 0);
}

CQORStringList listOf(std::initializer_list<LPCWSTR> items)
{
    CQORStringList list;
    LONG lKey = 0;
    for (LPCWSTR szItem : items)
        list.addTail(CQORWCharString(szItem), lKey++);
    return list;
}

// The strings in order, each with its node key: "0:a", "1:b".
std::vector<std::string> itemsOf(const CQORStringList& list)
{
    std::vector<std::string> vecItems;
    for (const CQORStringNode* pNode = list.m_pHead; pNode != nullptr;
         pNode = static_cast<const CQORStringNode*>(pNode->m_pNext))
        vecItems.push_back(std::to_string(pNode->m_lKey) + ":" + utf8(pNode->get().getBuffer()));
    return vecItems;
}

const char* const kBadExpandable = "A bad argument was provided ( m_szRegStringCache ). value "
                                   "doesn't represent an expandable value which is required";

class RegistryKinds : public RegistryTestKey
{
protected:
    CQORRegistryStringExpand expandable(LPCWSTR szName, bool bCreate = true) const
    {
        return CQORRegistryStringExpand(HKEY_CURRENT_USER, path(), szName, KEY_ALL_ACCESS, bCreate,
                                        0);
    }
    CQORRegistryMultiString multi(LPCWSTR szName, bool bCreate = true) const
    {
        return CQORRegistryMultiString(HKEY_CURRENT_USER, path(), szName, KEY_ALL_ACCESS, bCreate,
                                       0);
    }
    CQORRegistryBinary binary(LPCWSTR szName, bool bCreate = true) const
    {
        return CQORRegistryBinary(HKEY_CURRENT_USER, path(), szName, KEY_ALL_ACCESS, bCreate, 0);
    }
    std::vector<BYTE> stored(LPCWSTR szName, DWORD dwExpectedType) const
    {
        DWORD dwType = 0;
        std::vector<BYTE> vecData = valueBytes(m_hKey, szName, &dwType);
        EXPECT_EQ(dwExpectedType, dwType) << utf8(szName);
        return vecData;
    }
    bool hasValue(LPCWSTR szName) const
    {
        DWORD cbData = 0;
        return RegQueryValueExW(m_hKey, szName, nullptr, nullptr, nullptr, &cbData) ==
               ERROR_SUCCESS;
    }
};

} // namespace

TEST(MultiStringBytes, SplitStopsAtTheListTerminator)
{
    CQORStringList strings = listOf({TEXT("left over")});
    const std::vector<BYTE> vecTwo = {'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0, 'x', 0, 0, 0};
    EXPECT_TRUE(splitMultiString(bufferOf(vecTwo), strings));
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:bc"}), itemsOf(strings))
        << "cleared first; nothing after the double terminator";

    // Without the list terminator the last terminated string still ends it; an odd final
    // byte and a string without terminator are not taken.
    const std::vector<BYTE> vecUnended = {'a', 0, 0, 0, 'b', 0, 0, 0, 'z', 0, 'q'};
    EXPECT_TRUE(splitMultiString(bufferOf(vecUnended), strings));
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:b"}), itemsOf(strings));
    EXPECT_TRUE(splitMultiString(bufferOf({'z', 0}), strings));
    EXPECT_EQ(std::vector<std::string>(), itemsOf(strings));

    EXPECT_TRUE(splitMultiString(bufferOf({0, 0, 'a', 0, 0, 0}), strings));
    EXPECT_EQ((std::vector<std::string>{"0:"}), itemsOf(strings))
        << "an empty first string ends the list";
    EXPECT_TRUE(splitMultiString(bufferOf({}), strings));
    EXPECT_EQ(0u, strings.m_ulCount);
}

TEST(MultiStringBytes, JoinTerminatesEachStringAndTheList)
{
    CQORBuffer<BYTE> bytes(3);
    EXPECT_TRUE(joinMultiString(listOf({TEXT("a"), TEXT(""), TEXT("bc")}), bytes));
    EXPECT_EQ((std::vector<BYTE>{'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0}), bytesOf(bytes))
        << "an empty string adds nothing";
    EXPECT_TRUE(joinMultiString(listOf({TEXT("")}), bytes));
    EXPECT_EQ((std::vector<BYTE>{0, 0}), bytesOf(bytes));
    EXPECT_TRUE(joinMultiString(CQORStringList(), bytes));
    EXPECT_EQ(0u, bytes.getNumElems());

    // What join writes, split reads back.
    CQORStringList strings;
    EXPECT_TRUE(joinMultiString(listOf({TEXT("C:\\one"), TEXT("two")}), bytes));
    EXPECT_TRUE(splitMultiString(bytes, strings));
    EXPECT_EQ((std::vector<std::string>{"0:C:\\one", "1:two"}), itemsOf(strings));
}

TEST(MultiStringBytes, RecordsCompareNamesAndEveryElement)
{
    CQORRegistryMultiStringValue left(TEXT("Paths"), listOf({TEXT("a"), TEXT("b")}));
    EXPECT_TRUE(left ==
                CQORRegistryMultiStringValue(TEXT("Paths"), listOf({TEXT("a"), TEXT("b")})));
    EXPECT_FALSE(left == CQORRegistryMultiStringValue(TEXT("Paths"), listOf({TEXT("a")})));
    EXPECT_FALSE(left ==
                 CQORRegistryMultiStringValue(TEXT("paths"), listOf({TEXT("a"), TEXT("b")})));
    CQORStringList rekeyed = listOf({TEXT("a")});
    rekeyed.addTail(CQORWCharString(TEXT("b")), 7);
    EXPECT_FALSE(left == CQORRegistryMultiStringValue(TEXT("Paths"), rekeyed))
        << "node keys count too";

    CQORRegistryBinaryValue bytes(TEXT("Blob"), bufferOf({1, 2, 3}));
    EXPECT_TRUE(bytes == CQORRegistryBinaryValue(TEXT("Blob"), bufferOf({1, 2, 3})));
    EXPECT_FALSE(bytes == CQORRegistryBinaryValue(TEXT("Blob"), bufferOf({1, 2, 3, 0})));
    EXPECT_FALSE(bytes == CQORRegistryBinaryValue(TEXT("Blob"), bufferOf({1, 2, 4})));
}

TEST_F(RegistryKinds, ExpandableTextIsWrittenOnlyWithPercentPairs)
{
    CRecordingEngineScope scope;
    for (LPCWSTR szText : {TEXT("%PATH%"), TEXT("%A%%B%")})
    {
        CQORRegistryStringExpand value = expandable(TEXT("Good"));
        EXPECT_TRUE(value.setValue(szText, false)) << utf8(szText);
        EXPECT_EQ(utf8(szText), stringValue(m_hKey, TEXT("Good")));
        stored(TEXT("Good"), REG_EXPAND_SZ);
    }
    EXPECT_TRUE(scope.engine.records.empty());

    for (LPCWSTR szText : {TEXT("100%"), TEXT("plain"), TEXT("%a%b%")})
    {
        CQORRegistryStringExpand value = expandable(TEXT("Bad"));
        EXPECT_FALSE(value.setValue(szText, false)) << utf8(szText);
    }
    EXPECT_FALSE(hasValue(TEXT("Bad")));
    ASSERT_EQ(3u, scope.engine.records.size());
    EXPECT_EQ(kBadExpandable, scope.engine.records[0].strMessage);
    EXPECT_NE(std::string::npos, scope.engine.records[0].strSourceFile.find("qor_registry_expand"));

    // Refused before the key is touched: a missing key is not created for it.
    CQORRegistryStringExpand elsewhere(HKEY_CURRENT_USER, below("Missing").c_str(), TEXT("Bad"),
                                       KEY_ALL_ACCESS, true, 0);
    EXPECT_FALSE(elsewhere.setValue(TEXT("100%"), false));
    EXPECT_EQ(std::vector<std::string>(), subKeyNames(m_hKey));
}

TEST_F(RegistryKinds, ExpandableTextReadsAsStoredOrExpanded)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QorKindsRoot"), TEXT("C:\\Arvenne")));
    ASSERT_EQ(ERROR_SUCCESS,
              setString(m_hKey, TEXT("Path"), TEXT("%QorKindsRoot%\\bin"), REG_EXPAND_SZ));
    CQORRegistryStringExpand value = expandable(TEXT("Path"), false);
    CQORWCharString strOut;
    EXPECT_TRUE(value.getValue(strOut, false, false));
    EXPECT_TEXT(TEXT("%QorKindsRoot%\\bin"), strOut.getBuffer());
    EXPECT_TRUE(value.getValue(strOut, true, true));
    EXPECT_TEXT(TEXT("C:\\Arvenne\\bin"), strOut.getBuffer());
    EXPECT_TRUE(value.getValue(strOut, false));
    EXPECT_TEXT(TEXT("%QorKindsRoot%\\bin"), strOut.getBuffer()) << "the string's own form";
    SetEnvironmentVariableW(TEXT("QorKindsRoot"), nullptr);

    CRecordingEngineScope scope;
    CQORRegistryStringExpand missing = expandable(TEXT("Missing"));
    strOut = TEXT("unchanged");
    EXPECT_FALSE(missing.getValue(strOut, false, true))
        << "the empty value it would create is not expandable";
    EXPECT_TEXT(TEXT("unchanged"), strOut.getBuffer());
    EXPECT_FALSE(hasValue(TEXT("Missing")));
    ASSERT_EQ(1u, scope.engine.records.size());
    EXPECT_EQ(kBadExpandable, scope.engine.records[0].strMessage);
}

TEST_F(RegistryKinds, MultiStringListIsWrittenAndReadBack)
{
    CQORRegistryMultiString writer = multi(TEXT("Paths"));
    EXPECT_FALSE(writer.setValue(listOf({TEXT("a"), TEXT("b")}), true))
        << "a cache-only change answers false";
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:b"}), itemsOf(writer.getStrings()));
    EXPECT_FALSE(hasValue(TEXT("Paths")));
    EXPECT_TRUE(writer.writeRegistry());
    EXPECT_EQ((std::vector<BYTE>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}),
              stored(TEXT("Paths"), REG_MULTI_SZ));

    CQORRegistryMultiString reader = multi(TEXT("Paths"), false);
    EXPECT_TRUE(reader.readRegistry());
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:b"}), itemsOf(reader.getStrings()));
    EXPECT_FALSE(reader.isKeyOpen());
    CQORRegistryMultiString missing = multi(TEXT("Missing"), false);
    EXPECT_FALSE(missing.readRegistry());
    EXPECT_FALSE(hasValue(TEXT("Missing")));
}

TEST_F(RegistryKinds, EmptyMultiStringListIsStoredAsNoBytes)
{
    CQORRegistryMultiString empty = multi(TEXT("Empty"));
    EXPECT_TRUE(empty.setValue(CQORStringList(), false));
    EXPECT_EQ(std::vector<BYTE>(), stored(TEXT("Empty"), REG_MULTI_SZ));
    CQORRegistryMultiString reader = multi(TEXT("Empty"), false);
    EXPECT_TRUE(reader.readRegistry());
    EXPECT_EQ(0u, reader.getStrings().m_ulCount) << "the key's largest value: an empty buffer";

    // Beside a larger value the buffer is all zeros: one empty string.
    ASSERT_EQ(ERROR_SUCCESS, setString(m_hKey, TEXT("Larger"), TEXT("larger")));
    EXPECT_TRUE(reader.readRegistry());
    EXPECT_EQ((std::vector<std::string>{"0:"}), itemsOf(reader.getStrings()));

    CQORRegistryMultiString created = multi(TEXT("Created"));
    EXPECT_TRUE(created.readRegistry());
    EXPECT_EQ(0u, created.getStrings().m_ulCount);
    EXPECT_EQ(std::vector<BYTE>(), stored(TEXT("Created"), REG_MULTI_SZ));
}

TEST_F(RegistryKinds, BinaryBytesKeepTheirExactCount)
{
    CQORRegistryBinary writer = binary(TEXT("Odd"));
    EXPECT_TRUE(writer.setValue(bufferOf({0x01, 0x00, 0xFF}), true));
    EXPECT_FALSE(hasValue(TEXT("Odd")));
    EXPECT_TRUE(writer.writeRegistry());
    EXPECT_EQ((std::vector<BYTE>{0x01, 0x00, 0xFF}), stored(TEXT("Odd"), REG_BINARY));

    CQORRegistryBinary reader = binary(TEXT("Odd"), false);
    EXPECT_TRUE(reader.readRegistry());
    EXPECT_EQ((std::vector<BYTE>{0x01, 0x00, 0xFF}), bytesOf(reader.getData()));
    EXPECT_FALSE(reader.isKeyOpen());

    ASSERT_EQ(ERROR_SUCCESS, setBytes(m_hKey, TEXT("None"), REG_BINARY, {}));
    CQORRegistryBinary none = binary(TEXT("None"), false);
    EXPECT_TRUE(none.readRegistry());
    EXPECT_EQ(0u, none.getData().getNumElems());

    CQORRegistryBinary missing = binary(TEXT("Missing"), false);
    EXPECT_FALSE(missing.readRegistry());
    CQORRegistryBinary created = binary(TEXT("Created"));
    EXPECT_TRUE(created.readRegistry());
    EXPECT_EQ(std::vector<BYTE>(), stored(TEXT("Created"), REG_BINARY));
}

TEST_F(RegistryKinds, KeyListsEachKindAndClearsTheListFirst)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("QorKindsDrive"), TEXT("D:")));
    ASSERT_EQ(ERROR_SUCCESS,
              setString(m_hKey, TEXT("Home"), TEXT("%QorKindsDrive%\\home"), REG_EXPAND_SZ));
    ASSERT_EQ(ERROR_SUCCESS, setString(m_hKey, TEXT("Plain"), TEXT("text")));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(m_hKey, TEXT("List"), REG_MULTI_SZ,
                                      {'x', 0, 0, 0, 'y', 0, 'z', 0, 0, 0, 0, 0}));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(m_hKey, TEXT("Blob"), REG_BINARY, {7, 8, 9}));
    ASSERT_EQ(ERROR_SUCCESS, setDword(m_hKey, TEXT("Number"), 3));
    CQORRegistryKey key(HKEY_CURRENT_USER, path(), KEY_READ, false, 0);

    CQORStringValueList expandables;
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(key.getExpandStringValues(expandables, false));
    ASSERT_EQ(1u, expandables.m_ulCount);
    EXPECT_EQ("Home", utf8(expandables.m_pHead->get().name.getBuffer()));
    EXPECT_EQ("%QorKindsDrive%\\home", utf8(expandables.m_pHead->get().value.getBuffer()));
    EXPECT_TRUE(key.getExpandStringValues(expandables, true));
    EXPECT_EQ("D:\\home", utf8(expandables.m_pHead->get().value.getBuffer()));
    EXPECT_EQ(0, expandables.m_pHead->m_lKey);
    SetEnvironmentVariableW(TEXT("QorKindsDrive"), nullptr);

    CQORMultiStringValueList lists;
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(key.getMultiStringValues(lists));
    ASSERT_EQ(1u, lists.m_ulCount);
    EXPECT_TRUE(lists.m_pHead->get() ==
                CQORRegistryMultiStringValue(TEXT("List"), listOf({TEXT("x"), TEXT("yz")})));

    CQORBinaryValueList blobs;
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(key.getBinaryValues(blobs));
    ASSERT_EQ(1u, blobs.m_ulCount);
    EXPECT_TRUE(blobs.m_pHead->get() == CQORRegistryBinaryValue(TEXT("Blob"), bufferOf({7, 8, 9})));
    EXPECT_FALSE(key.isKeyOpen());

    // Values, but none of the kind: an empty list and true. No named values at all: false.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(m_hKey, TEXT("Blob")));
    EXPECT_TRUE(key.getBinaryValues(blobs));
    EXPECT_EQ(0u, blobs.m_ulCount);
    CQORRegistryKey empty(HKEY_CURRENT_USER, below("Empty").c_str(), KEY_ALL_ACCESS, true, 0);
    ASSERT_TRUE(empty.create());
    EXPECT_FALSE(empty.getMultiStringValues(lists));
    EXPECT_EQ(0u, lists.m_ulCount);
}
