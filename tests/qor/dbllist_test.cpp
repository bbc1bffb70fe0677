// CQORDblList: links and cursor, copying and equality, and the ownership of pointer nodes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qor_dbllist.h"
#include "qor_wchar_string.h"
#include "recording_engine.h"
#include "test_text.h"

namespace
{

typedef CQORDblList<CQORObjNode<CQORWCharString>, CQORWCharString> CStringList;

// An element that counts its live copies and whose heap copies can be made to fail after
// a number of successful ones. It has equality but no ordering.
struct SCounted
{
    static int s_nLive;
    static int s_nAllocsLeft; // negative: no limit

    int nValue;

    SCounted(int n = 0) : nValue(n) { ++s_nLive; }
    SCounted(const SCounted& other) : nValue(other.nValue) { ++s_nLive; }
    SCounted& operator=(const SCounted& other) = default;
    ~SCounted() { --s_nLive; }
    bool operator==(const SCounted& other) const { return nValue == other.nValue; }

    static void* operator new(size_t nSize) { return ::operator new(nSize); }
    static void* operator new(size_t nSize, const std::nothrow_t&) noexcept
    {
        if (s_nAllocsLeft == 0)
            return nullptr;
        if (s_nAllocsLeft > 0)
            --s_nAllocsLeft;
        return ::operator new(nSize, std::nothrow);
    }
    static void operator delete(void* p) noexcept { ::operator delete(p); }
    static void operator delete(void* p, const std::nothrow_t&) noexcept { ::operator delete(p); }
};
int SCounted::s_nLive = 0;
int SCounted::s_nAllocsLeft = -1;

typedef CQORDblList<CQORPtrNode<SCounted>, SCounted> CCountedPtrList;

// The fixture makes sure every counted element made by a test is gone at its end.
class DblListPointers : public testing::Test
{
protected:
    void SetUp() override
    {
        SCounted::s_nLive = 0;
        SCounted::s_nAllocsLeft = -1;
    }
    void TearDown() override { EXPECT_EQ(0, SCounted::s_nLive); }
};

// "key:text" of every node, head to tail, walked with the cursor.
std::vector<std::string> contents(CStringList& list)
{
    std::vector<std::string> vecOut;
    list.moveFirst();
    if (list.m_pCursor == nullptr)
        return vecOut;
    do
    {
        CQORWCharString strElement;
        EXPECT_TRUE(list.getCurrent(strElement));
        vecOut.push_back(std::to_string(list.m_pCursor->m_lKey) + ":" +
                         utf8(strElement.getBuffer()));
    } while (list.moveNext());
    return vecOut;
}

void addAll(CStringList& list, std::vector<LPCWSTR> vecTexts)
{
    for (size_t i = 0; i < vecTexts.size(); ++i)
        ASSERT_TRUE(list.addTail(CQORWCharString(vecTexts[i]), static_cast<LONG>(i)));
}

template <class TList> void expectEmpty(const TList& list)
{
    EXPECT_EQ(nullptr, list.m_pHead);
    EXPECT_EQ(nullptr, list.m_pTail);
    EXPECT_EQ(nullptr, list.m_pCursor);
    EXPECT_EQ(0u, list.m_ulCount);
}

} // namespace

TEST(DblList, EmptyAndOneNodeListsRefuseCursorMoves)
{
    CStringList list;
    expectEmpty(list);
    EXPECT_FALSE(list.moveNext());
    list.moveFirst();
    EXPECT_EQ(nullptr, list.m_pCursor);
    CQORWCharString strOut(TEXT("kept"));
    EXPECT_FALSE(list.getCurrent(strOut));
    EXPECT_TEXT(TEXT("kept"), strOut.getBuffer());
    EXPECT_FALSE(list.setCurrent(TEXT("x")));
    EXPECT_FALSE(list.addTail(nullptr));
    EXPECT_TRUE(list.clear());
    expectEmpty(list);

    addAll(list, {TEXT("only")});
    EXPECT_FALSE(list.moveNext());
    EXPECT_EQ(list.m_pHead, list.m_pCursor);
}

TEST(DblList, AppendedNodesAreLinkedBothWaysAndTheCursorStaysOnTheFirst)
{
    CStringList list;
    addAll(list, {TEXT("a"), TEXT("b"), TEXT("c")});
    EXPECT_EQ(3u, list.m_ulCount);
    EXPECT_EQ(list.m_pHead, list.m_pCursor);
    EXPECT_EQ(nullptr, list.m_pHead->m_pPrev);
    EXPECT_EQ(nullptr, list.m_pTail->m_pNext);
    EXPECT_EQ(list.m_pHead, list.m_pHead->m_pNext->m_pPrev);
    EXPECT_EQ(list.m_pTail, list.m_pHead->m_pNext->m_pNext);
    EXPECT_EQ(list.m_pHead->m_pNext, list.m_pTail->m_pPrev);
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:b", "2:c"}), contents(list));

    // The walk ended on the tail, and the cursor does not run off it.
    EXPECT_EQ(list.m_pTail, list.m_pCursor);
    EXPECT_FALSE(list.moveNext());
    EXPECT_EQ(list.m_pTail, list.m_pCursor);

    EXPECT_TRUE(list.addTail(new CQORObjNode<CQORWCharString>(TEXT("d"), 42)));
    EXPECT_EQ(list.m_pTail, list.m_pCursor->m_pNext);
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:b", "2:c", "42:d"}), contents(list));

    EXPECT_TRUE(list.clear());
    expectEmpty(list);
}

TEST(DblList, CopiesAreEqualButIndependent)
{
    CStringList source;
    addAll(source, {TEXT("a"), TEXT("b"), TEXT("c")});

    CStringList assigned;
    addAll(assigned, {TEXT("old")});
    assigned = source;
    CStringList constructed(source);
    for (CStringList* pCopy : {&assigned, &constructed})
    {
        EXPECT_TRUE(*pCopy == source);
        EXPECT_EQ(3u, pCopy->m_ulCount);
        EXPECT_NE(source.m_pHead, pCopy->m_pHead);
        EXPECT_EQ(pCopy->m_pHead, pCopy->m_pCursor);
    }

    assigned.moveFirst();
    assigned.moveNext();
    EXPECT_TRUE(assigned.setCurrent(TEXT("B")));
    EXPECT_FALSE(assigned == source);
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:b", "2:c"}), contents(source));
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:B", "2:c"}), contents(assigned));
}

TEST(DblList, AssignmentToItselfKeepsTheNodes)
{
    CStringList list;
    addAll(list, {TEXT("a"), TEXT("b")});
    CStringList& alias = list;
    list = alias;
    EXPECT_EQ((std::vector<std::string>{"0:a", "1:b"}), contents(list));
}

TEST(DblList, EqualityNeedsTheSameKeysAndElementsInOrder)
{
    CStringList first, second, empty, otherEmpty;
    addAll(first, {TEXT("a"), TEXT("b")});
    addAll(second, {TEXT("a"), TEXT("b")});
    EXPECT_TRUE(first == second);
    EXPECT_TRUE(empty == otherEmpty);
    EXPECT_FALSE(first == empty);
    EXPECT_FALSE(empty == first);

    CStringList otherKeys;
    otherKeys.addTail(TEXT("a"), 0);
    otherKeys.addTail(TEXT("b"), 7);
    EXPECT_FALSE(first == otherKeys);

    CStringList otherText;
    addAll(otherText, {TEXT("a"), TEXT("c")});
    EXPECT_FALSE(first == otherText);

    addAll(second, {TEXT("c")});
    EXPECT_FALSE(first == second);
}

TEST(DblList, ObjectNodesCompareWithTheElementsOperators)
{
    CQORObjNode<CQORWCharString> node(TEXT("ab"), 0);
    EXPECT_TRUE(node == CQORWCharString(TEXT("ab")));
    EXPECT_TRUE(node != CQORWCharString(TEXT("ac")));
    EXPECT_TRUE(node < CQORWCharString(TEXT("ac")));
    EXPECT_FALSE(node < CQORWCharString(TEXT("ab")));
    EXPECT_TRUE(node > CQORWCharString(TEXT("aa")));
    EXPECT_FALSE(node > CQORWCharString(TEXT("ab")));

    // No ordering in the element type: neither less nor greater.
    CQORObjNode<SCounted> unordered(SCounted(1), 0);
    EXPECT_FALSE(unordered < SCounted(2));
    EXPECT_FALSE(unordered > SCounted(0));
}

TEST_F(DblListPointers, NodesOwnTheirElementsAndDeleteThem)
{
    {
        CCountedPtrList list;
        list.addTail(SCounted(1), 0);
        list.addTail(new CQORPtrNode<SCounted>(new SCounted(2), 1));
        EXPECT_EQ(2, SCounted::s_nLive);

        // The caller's element stays the caller's: the node stores a copy.
        SCounted local(3);
        EXPECT_TRUE(list.setCurrent(local));
        EXPECT_EQ(3, SCounted::s_nLive);
        EXPECT_NE(&local, list.m_pCursor->get());
        SCounted out;
        EXPECT_TRUE(list.getCurrent(out));
        EXPECT_EQ(3, out.nValue);

        list.m_pTail->set(new SCounted(4));
        EXPECT_EQ(4, SCounted::s_nLive);

        CCountedPtrList copy(list);
        EXPECT_TRUE(copy == list);
        EXPECT_EQ(6, SCounted::s_nLive);
        EXPECT_NE(list.m_pHead->get(), copy.m_pHead->get());

        EXPECT_TRUE(copy.clear());
        EXPECT_EQ(4, SCounted::s_nLive);
    }
}

TEST_F(DblListPointers, MissingElementsAreCopiedAndCompareEqualOnlyToEachOther)
{
    CCountedPtrList list;
    list.addTail(new CQORPtrNode<SCounted>(nullptr, 5));
    SCounted out(9);
    EXPECT_FALSE(list.getCurrent(out));
    EXPECT_EQ(9, out.nValue);

    CCountedPtrList copy(list);
    ASSERT_EQ(1u, copy.m_ulCount);
    EXPECT_EQ(nullptr, copy.m_pHead->get());
    EXPECT_EQ(5, copy.m_pHead->m_lKey);
    EXPECT_TRUE(copy == list);

    copy.setCurrent(SCounted(0));
    EXPECT_FALSE(copy == list);
    EXPECT_FALSE(list == copy);
}

TEST_F(DblListPointers, AllocationFailuresNameTheNodeAndStopTheCopy)
{
    CRecordingEngineScope scope;
    CCountedPtrList source;
    for (int i = 0; i < 3; ++i)
        source.addTail(SCounted(i), i);

    SCounted::s_nAllocsLeft = 0;
    CCountedPtrList list;
    EXPECT_FALSE(list.addTail(SCounted(7), 0));
    expectEmpty(list);

    SCounted::s_nAllocsLeft = 2;
    list = source;
    SCounted::s_nAllocsLeft = -1;
    EXPECT_EQ(2u, list.m_ulCount);
    EXPECT_EQ(1, list.m_pTail->m_lKey);

    std::vector<SWrittenRecord> vecFailures = scope.engine.ofType(QOR_LOG_EXCEPTION_BAD);
    ASSERT_EQ(2u, vecFailures.size());
    EXPECT_EQ("Unable to allocate memory ( pNewNode )", vecFailures[0].strMessage);
    EXPECT_EQ("Unable to allocate memory ( pNode )", vecFailures[1].strMessage);
    EXPECT_EQ("qor_dbllist.h", vecFailures[1].strSourceFile);
}
