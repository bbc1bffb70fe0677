// CQORBuffer: allocation, resizing, copying, reads and writes with their failure messages.
#include <gtest/gtest.h>

#include <vector>

#include "qor_buffer.h"
#include "recording_engine.h"

namespace
{

typedef CQORBuffer<BYTE> CBytes;
typedef CQORBuffer<WCHAR> CUnits;

std::vector<int> elems(const CBytes& buffer)
{
    std::vector<int> vecOut;
    for (ULONG i = 0; i < buffer.getNumElems(); ++i)
        vecOut.push_back(buffer.getBuffer()[i]);
    return vecOut;
}

CBytes bytes(std::vector<BYTE> vecBytes)
{
    return CBytes(vecBytes.data(), static_cast<ULONG>(vecBytes.size()), 0);
}

// The message of the one bad-argument record a failed call wrote.
std::string onlyMessage(const CRecordingEngine& engine)
{
    EXPECT_EQ(1u, engine.records.size());
    return engine.records.empty() ? std::string() : engine.records.back().strMessage;
}

} // namespace

TEST(Buffer, EmptyBufferHasNoStorage)
{
    CUnits empty(0);
    EXPECT_EQ(nullptr, empty.getBuffer());
    EXPECT_EQ(0u, empty.getNumElems());
    EXPECT_FALSE(empty.isValid());
    EXPECT_FALSE(empty.zeroBuffer());
}

TEST(Buffer, ConstructionFillsZerosAndCopiesAtTheOffset)
{
    const BYTE abSource[] = {7, 8, 9};
    EXPECT_EQ((std::vector<int>{0, 0, 7, 8, 9}), elems(CBytes(abSource, 3, 2)));
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), elems(CBytes(nullptr, 4, 0)));
    EXPECT_FALSE(CBytes(abSource, 0, 2).isValid());
    EXPECT_EQ((std::vector<int>{0, 0, 0}), elems(CBytes(3)));
}

TEST(Buffer, ReAllocKeepsTheLeadingElements)
{
    CBytes buffer = bytes({1, 2, 3, 4});
    EXPECT_TRUE(buffer.reAllocBuffer(6));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 0, 0}), elems(buffer));
    EXPECT_TRUE(buffer.reAllocBuffer(2));
    EXPECT_EQ((std::vector<int>{1, 2}), elems(buffer));
    EXPECT_TRUE(buffer.reAllocBuffer(0));
    EXPECT_FALSE(buffer.isValid());
}

TEST(Buffer, AppendAtPlacesTheBufferAndEndsAfterIt)
{
    CRecordingEngineScope scope;
    CBytes toAdd = bytes({7, 8, 9});

    CBytes atEnd = bytes({1, 2, 3, 4, 5});
    EXPECT_TRUE(atEnd.appendAt(toAdd, 5));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5, 7, 8, 9}), elems(atEnd));

    CBytes inside = bytes({1, 2, 3, 4, 5});
    EXPECT_TRUE(inside.appendAt(toAdd, 2));
    EXPECT_EQ((std::vector<int>{1, 2, 7, 8, 9}), elems(inside));

    CBytes past = bytes({1, 2, 3, 4, 5});
    EXPECT_FALSE(past.appendAt(toAdd, 6));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), elems(past));
    EXPECT_EQ("A bad argument was provided ( ulOffset ). can't append a buffer at an offset past "
              "the bounds of this buffer",
              onlyMessage(scope.engine));
    EXPECT_EQ("", scope.engine.records.back().strSourceFile);
    EXPECT_EQ(0u, scope.engine.records.back().ulLine);
}

TEST(Buffer, AppendGrowsAndAcceptsItself)
{
    CBytes buffer = bytes({1, 2});
    buffer += bytes({3});
    EXPECT_EQ((std::vector<int>{1, 2, 3}), elems(buffer));
    EXPECT_TRUE(buffer.append(buffer));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 1, 2, 3}), elems(buffer));
}

TEST(Buffer, WriteInPlaceOrGrowing)
{
    CRecordingEngineScope scope;
    CBytes target = bytes({1, 2, 3});
    EXPECT_FALSE(target.write(bytes({7, 8, 9}), 1, false));
    EXPECT_EQ("A bad argument was provided ( buffer ). buffer + offset will overrun this buffer",
              onlyMessage(scope.engine));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), elems(target));

    EXPECT_TRUE(target.write(bytes({7, 8, 9}), 1, true));
    EXPECT_EQ((std::vector<int>{1, 7, 8, 9}), elems(target));

    EXPECT_TRUE(target.write(bytes({5}), 0, false));
    EXPECT_EQ((std::vector<int>{5, 7, 8, 9}), elems(target));

    scope.engine.records.clear();
    EXPECT_FALSE(target.write(CBytes(0), 0, true));
    EXPECT_EQ("A bad argument was provided ( buffer ). buffer is of zero size - can't write",
              onlyMessage(scope.engine));
}

TEST(Buffer, ReadReportsHowManyElementsAreThere)
{
    CRecordingEngineScope scope;
    CBytes source = bytes({1, 2, 3, 4});
    CBytes out = bytes({9});

    ULONG ulCount = 5;
    EXPECT_FALSE(source.read(out, 2, ulCount));
    EXPECT_EQ(2u, ulCount);
    EXPECT_FALSE(out.isValid());
    EXPECT_EQ("A bad argument was provided ( ulNumElems + ulOffset ). can't read more elements "
              "than are in this buffer",
              onlyMessage(scope.engine));

    ulCount = 2;
    EXPECT_TRUE(source.read(out, 2, ulCount));
    EXPECT_EQ((std::vector<int>{3, 4}), elems(out));

    ulCount = 0;
    EXPECT_TRUE(source.read(out, 9, ulCount));
    EXPECT_FALSE(out.isValid());
}

TEST(Buffer, ReadWithTheOffsetPastTheEndFindsNothingThere)
{
    CBytes source = bytes({1, 2, 3, 4});
    CBytes out(0);
    ULONG ulCount = 1;
    EXPECT_FALSE(source.read(out, 6, ulCount));
    EXPECT_EQ(0u, ulCount);
}

TEST(Buffer, ReadIntoAnArray)
{
    CRecordingEngineScope scope;
    CBytes source = bytes({1, 2, 3, 4});
    BYTE abOut[2] = {0, 0};
    ULONG ulCount = 2;
    EXPECT_TRUE(source.read(abOut, 1, ulCount));
    EXPECT_EQ(2, abOut[0]);
    EXPECT_EQ(3, abOut[1]);
    EXPECT_FALSE(source.read(static_cast<BYTE*>(nullptr), 0, ulCount));
    EXPECT_EQ("A bad argument was provided ( pBuffer ). value is NULL", onlyMessage(scope.engine));
}

TEST(Buffer, IndexOutOfBoundsLeavesTheCall)
{
    CRecordingEngineScope scope;
    CBytes buffer = bytes({1, 2});
    const CBytes& constant = buffer;
    buffer[1] = 5;
    EXPECT_EQ(5, constant[1]);
    EXPECT_THROW(buffer[2], CQORIndexOutOfBoundsException);
    EXPECT_THROW(constant[2], CQORIndexOutOfBoundsException);
    EXPECT_EQ(2u, scope.engine.records.size()) << "written when raised";
}

TEST(Buffer, AssignmentCopiesAndSelfAssignmentKeepsTheBuffer)
{
    CBytes source = bytes({1, 2, 3});
    CBytes target = bytes({9});
    target = source;
    EXPECT_EQ((std::vector<int>{1, 2, 3}), elems(target));
    EXPECT_NE(source.getBuffer(), target.getBuffer());

    CBytes& alias = target;
    target = alias;
    EXPECT_EQ((std::vector<int>{1, 2, 3}), elems(target));

    target = CBytes(0);
    EXPECT_FALSE(target.isValid());

    CBytes copy(source);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), elems(copy));
}

TEST(Buffer, WideAndByteViewsOfTheSameMemory)
{
    const BYTE abThree[] = {0x41, 0x42, 0x43};
    CUnits wide = CBytes(abThree, 3, 0).asWideBuffer();
    ASSERT_EQ(2u, wide.getNumElems());
    EXPECT_EQ(0x4241, wide[0]);
    EXPECT_EQ(0x0043, wide[1]);

    CBytes back = wide.asByteBuffer();
    EXPECT_EQ((std::vector<int>{0x41, 0x42, 0x43, 0}), elems(back));
    EXPECT_FALSE(CUnits(0).asByteBuffer().isValid());
    EXPECT_FALSE(CBytes(0).asWideBuffer().isValid());
}

// A buffer whose release records what it wipes, to see that released storage is zero.
class CWatchedBytes : public CBytes
{
public:
    explicit CWatchedBytes(std::vector<BYTE> vecBytes)
        : CBytes(vecBytes.data(), static_cast<ULONG>(vecBytes.size()), 0)
    {
    }
    std::vector<std::vector<int>> released;
    bool destroyBuffer() override
    {
        if (m_pBuffer != nullptr)
        {
            zeroBuffer();
            released.push_back(elems(*this));
        }
        return CBytes::destroyBuffer();
    }
};

TEST(Buffer, StorageIsWipedBeforeItIsReleased)
{
    CWatchedBytes buffer({1, 2, 3, 4});
    EXPECT_TRUE(buffer.reAllocBuffer(2));
    EXPECT_TRUE(buffer.allocBuffer(1));
    ASSERT_EQ(2u, buffer.released.size());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), buffer.released[0]);
    EXPECT_EQ((std::vector<int>{0, 0}), buffer.released[1]);
}

TEST(Buffer, OperationsOnItselfKeepTheSource)
{
    struct SCase
    {
        const char* szName;
        bool (*pOperation)(CBytes& buffer);
        std::vector<int> vecAfter;
    };
    const SCase aCases[] = {
        {"read into itself",
         [](CBytes& b)
         {
             ULONG ulCount = 2;
             return b.read(b, 1, ulCount);
         },
         {2, 3}},
        {"append itself", [](CBytes& b) { return b.append(b); }, {1, 2, 3, 4, 1, 2, 3, 4}},
        {"place itself inside", [](CBytes& b) { return b.appendAt(b, 2); }, {1, 2, 1, 2, 3, 4}},
        {"write itself in place", [](CBytes& b) { return b.write(b, 0, false); }, {1, 2, 3, 4}},
        {"write itself past the end",
         [](CBytes& b) { return b.write(b, 1, true); },
         {1, 1, 2, 3, 4}},
    };
    for (const SCase& test : aCases)
    {
        CRecordingEngineScope scope;
        CBytes buffer = bytes({1, 2, 3, 4});
        EXPECT_TRUE(test.pOperation(buffer)) << test.szName;
        EXPECT_EQ(test.vecAfter, elems(buffer)) << test.szName;
        EXPECT_TRUE(scope.engine.records.empty()) << test.szName;
    }
}

TEST(Buffer, AppendingNothingSucceedsAndChangesNothing)
{
    CRecordingEngineScope scope;
    CBytes buffer = bytes({1, 2, 3});
    EXPECT_TRUE(buffer.append(CBytes(0)));
    buffer += CBytes(0);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), elems(buffer));
    // Placing nothing inside still ends the buffer there.
    EXPECT_TRUE(buffer.appendAt(CBytes(0), 1));
    EXPECT_EQ((std::vector<int>{1}), elems(buffer));
    CBytes empty(0);
    EXPECT_TRUE(empty.append(CBytes(0)));
    EXPECT_FALSE(empty.isValid());
    EXPECT_TRUE(scope.engine.records.empty());
}

namespace
{
// A buffer that claims more elements than it holds, so that sizes near 2^32 can be asked
// for without allocating them; the claim never reaches the storage.
template <class T> class CClaimedBuffer : public CQORBuffer<T>
{
public:
    CClaimedBuffer(ULONG ulClaimed) : CQORBuffer<T>(1), m_ulReal(this->m_ulNumElems)
    {
        this->m_ulNumElems = ulClaimed;
    }
    ~CClaimedBuffer() { this->m_ulNumElems = m_ulReal; }

private:
    ULONG m_ulReal;
};
} // namespace

TEST(Buffer, SizesBeyondThirtyTwoBitsAreRefusedNotWrapped)
{
    CRecordingEngineScope scope;
    EXPECT_FALSE(CUnits(0).allocBuffer(0xFFFFFFFFu));
    EXPECT_FALSE(CUnits(0).allocBuffer(0x80000000u));
    EXPECT_FALSE(CBytes(0).allocBuffer(0xFFFFFFFFu));
    // 2^31 units are 2^32 bytes; 2^32 - 1 bytes are 2^31 units, 2^32 bytes again.
    EXPECT_EQ(0u, CClaimedBuffer<WCHAR>(0x80000000u).asByteBuffer().getNumElems());
    EXPECT_EQ(0u, CClaimedBuffer<BYTE>(0xFFFFFFFFu).asWideBuffer().getNumElems());
    ASSERT_EQ(5u, scope.engine.records.size());
    for (const SWrittenRecord& record : scope.engine.records)
    {
        EXPECT_EQ("Unable to allocate memory ( m_pBuffer )", record.strMessage);
        // The header's name alone, not the build machine's path to it.
        EXPECT_EQ("qor_buffer.h", record.strSourcePath);
    }
    // An offset that would wrap the size around is refused before anything is written.
    const BYTE abTwo[2] = {1, 2};
    EXPECT_THROW(CBytes(abTwo, 2, 0xFFFFFFFFu), CQORBufferInitException);
    EXPECT_THROW(CBytes(abTwo, 2, 0xFFFFFFFEu), CQORBufferInitException);
}
