// CQORDblList<TNode, X>: the library's doubly linked list with a built-in cursor. Each element
// lives in a node that also carries a caller-chosen number, the key. An object node
// (CQORObjNode<X>) holds its own copy of the element; a pointer node (CQORPtrNode<X>) owns a
// heap-allocated element and deletes it. Every operation catches what is raised inside it,
// writes the record and returns false.
#pragma once

#include <cerrno>
#include <new>
#include <type_traits>
#include <utility>

#include "qor_common.h"
#include "qor_exceptions.h"

// T is `const X&` for object nodes and `const X*` for pointer nodes.
template <class T> class CQORNode
{
public:
    explicit CQORNode(LONG lKey) : m_pNext(nullptr), m_pPrev(nullptr), m_lKey(lKey) {}
    virtual ~CQORNode()
    {
        m_pNext = nullptr;
        m_pPrev = nullptr;
    }

    virtual bool operator==(T element) const = 0;
    virtual bool operator!=(T element) const = 0;
    virtual bool operator<(T element) const = 0;
    virtual bool operator>(T element) const = 0;
    virtual T get() const = 0;
    virtual void set(T element) = 0;

    CQORNode* m_pNext;
    CQORNode* m_pPrev;
    LONG m_lKey;

private:
    // A node belongs to one list at one place; copying its links would corrupt both.
    CQORNode(const CQORNode&) = delete;
    CQORNode& operator=(const CQORNode&) = delete;
};

namespace qordbllist
{
// Whether X can be ordered; element types without ordering answer false to < and >.
template <class X, class = void> struct SHasOrdering : std::false_type
{
};
template <class X>
struct SHasOrdering<X, std::void_t<decltype(std::declval<const X&>() >= std::declval<const X&>()),
                                   decltype(std::declval<const X&>() <= std::declval<const X&>())>>
    : std::true_type
{
};

// The node orderings are the negations of X's >= and <=, so X's own rules apply.
template <class X> bool isLess(const X& left, const X& right)
{
    if constexpr (SHasOrdering<X>::value)
        return !(left >= right);
    else
        return false;
}

template <class X> bool isGreater(const X& left, const X& right)
{
    if constexpr (SHasOrdering<X>::value)
        return !(left <= right);
    else
        return false;
}
} // namespace qordbllist

template <class X> class CQORObjNode : public CQORNode<const X&>
{
public:
    // The list copies elements into new nodes by value.
    static const bool s_bPointerNode = false;

    CQORObjNode(const X& element, LONG lKey) : CQORNode<const X&>(lKey), m_object()
    {
        m_object = element;
    }

    bool operator==(const X& element) const override { return m_object == element; }
    bool operator!=(const X& element) const override { return !(m_object == element); }
    bool operator<(const X& element) const override
    {
        return qordbllist::isLess(m_object, element);
    }
    bool operator>(const X& element) const override
    {
        return qordbllist::isGreater(m_object, element);
    }
    const X& get() const override { return m_object; }
    void set(const X& element) override { m_object = element; }

    // The element, or null when there is none (never, for an object node).
    const X* element() const { return &m_object; }
    void setCopy(const X& element) { set(element); }
    // A new node with its own copy of the element; null when it cannot be allocated.
    static CQORObjNode* create(const X* pElement, LONG lKey)
    {
        return new (std::nothrow) CQORObjNode(pElement != nullptr ? *pElement : X(), lKey);
    }

    X m_object;
};

template <class X> class CQORPtrNode : public CQORNode<const X*>
{
public:
    // The list gives each new node a heap copy of the element.
    static const bool s_bPointerNode = true;

    // The node owns pPointer from now on.
    CQORPtrNode(X* pPointer, LONG lKey) : CQORNode<const X*>(lKey), m_pPointer(pPointer) {}
    ~CQORPtrNode() override
    {
        release(m_pPointer);
        m_pPointer = nullptr;
    }

    // Two missing elements are equal; a missing element is neither less nor greater.
    bool operator==(const X* pElement) const override
    {
        if (m_pPointer == nullptr || pElement == nullptr)
            return m_pPointer == pElement;
        return *m_pPointer == *pElement;
    }
    bool operator!=(const X* pElement) const override { return !operator==(pElement); }
    bool operator<(const X* pElement) const override
    {
        return m_pPointer != nullptr && pElement != nullptr &&
               qordbllist::isLess(*m_pPointer, *pElement);
    }
    bool operator>(const X* pElement) const override
    {
        return m_pPointer != nullptr && pElement != nullptr &&
               qordbllist::isGreater(*m_pPointer, *pElement);
    }
    const X* get() const override { return m_pPointer; }
    // Takes ownership of pElement; the element it replaces is deleted.
    void set(const X* pElement) override
    {
        if (pElement == m_pPointer)
            return;
        X* pOld = m_pPointer;
        m_pPointer = const_cast<X*>(pElement);
        release(pOld);
    }

    const X* element() const { return m_pPointer; }
    // Stores a heap copy: the caller's element stays the caller's.
    void setCopy(const X& element)
    {
        X* pCopy = new (std::nothrow) X(element);
        if (pCopy == nullptr)
            throw CQORMemAllocException(TEXT("m_pPointer"), QOR_HERE);
        set(pCopy);
    }
    // A new node owning a heap copy of the element (none for a null pElement); null when
    // either cannot be allocated.
    static CQORPtrNode* create(const X* pElement, LONG lKey)
    {
        X* pCopy = nullptr;
        if (pElement != nullptr)
        {
            pCopy = new (std::nothrow) X(*pElement);
            if (pCopy == nullptr)
                return nullptr;
        }
        CQORPtrNode* pNode = new (std::nothrow) CQORPtrNode(pCopy, lKey);
        if (pNode == nullptr)
            delete pCopy;
        return pNode;
    }

    X* m_pPointer;

private:
    static void release(X* pElement)
    {
        if (pElement == nullptr)
            return;
        try
        {
            delete pElement;
        }
        catch (...)
        {
            CMemDestroyFailWarning warning(TEXT("m_pPointer"), QOR_HERE);
        }
    }
};

template <class TNode, class X> class CQORDblList
{
public:
    CQORDblList() : m_pHead(nullptr), m_pTail(nullptr), m_pCursor(nullptr), m_ulCount(0) {}
    // Copies as assignment does: a failure is logged and leaves the nodes copied so far.
    CQORDblList(const CQORDblList& other)
        : m_pHead(nullptr), m_pTail(nullptr), m_pCursor(nullptr), m_ulCount(0)
    {
        copy(other);
    }
    ~CQORDblList() { clear(); }

    CQORDblList& operator=(const CQORDblList& other)
    {
        copy(other);
        return *this;
    }

    // Equal when both hold the same keys and equal elements in the same order.
    bool operator==(const CQORDblList& other) const;

    // The list owns pNode from now on; the cursor moves only onto the first node.
    bool addTail(TNode* pNode);
    bool addTail(const X& element, LONG lKey);
    bool clear();
    void moveFirst() { m_pCursor = m_pHead; }
    // Stays on the tail rather than running off it.
    bool moveNext();
    bool getCurrent(X& out) const;
    bool setCurrent(const X& element);
    // Replaces the nodes by copies of other's; stops at the first node that cannot be added.
    bool copy(const CQORDblList& other);

    TNode* m_pHead;
    TNode* m_pTail;
    TNode* m_pCursor;
    ULONG m_ulCount;

private:
    static TNode* nextOf(const TNode* pNode) { return static_cast<TNode*>(pNode->m_pNext); }
    // Appends a new node holding a copy of pElement; szSubject names it if allocation fails.
    bool appendCopy(const X* pElement, LONG lKey, LPCWSTR szSubject);
};

template <class TNode, class X>
bool CQORDblList<TNode, X>::operator==(const CQORDblList& other) const
{
    try
    {
        if (m_ulCount != other.m_ulCount || (m_pHead == nullptr) != (other.m_pHead == nullptr))
            return false;
        const TNode* pMine = m_pHead;
        const TNode* pTheirs = other.m_pHead;
        while (pMine != nullptr && pTheirs != nullptr)
        {
            if (pMine->m_lKey != pTheirs->m_lKey || !(*pMine == pTheirs->get()))
                return false;
            pMine = nextOf(pMine);
            pTheirs = nextOf(pTheirs);
        }
        return pMine == nullptr && pTheirs == nullptr;
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class TNode, class X> bool CQORDblList<TNode, X>::addTail(TNode* pNode)
{
    if (pNode == nullptr)
        return false;
    pNode->m_pNext = nullptr;
    if (m_pHead == nullptr)
    {
        pNode->m_pPrev = nullptr;
        m_pHead = pNode;
        m_pCursor = pNode;
    }
    else
    {
        pNode->m_pPrev = m_pTail;
        m_pTail->m_pNext = pNode;
    }
    m_pTail = pNode;
    ++m_ulCount;
    return true;
}

template <class TNode, class X> bool CQORDblList<TNode, X>::addTail(const X& element, LONG lKey)
{
    return appendCopy(&element, lKey, TEXT("pNewNode"));
}

template <class TNode, class X>
bool CQORDblList<TNode, X>::appendCopy(const X* pElement, LONG lKey, LPCWSTR szSubject)
{
    try
    {
        TNode* pNewNode = TNode::create(pElement, lKey);
        if (pNewNode == nullptr)
            throw CQORMemAllocException(szSubject, QOR_HERE);
        return addTail(pNewNode);
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class TNode, class X> bool CQORDblList<TNode, X>::clear()
{
    try
    {
        // The head advances with each release, so an unexpected failure still leaves a
        // consistent list of the nodes not yet released.
        m_pCursor = nullptr;
        while (m_pHead != nullptr)
        {
            TNode* pTempCursor = m_pHead;
            m_pHead = nextOf(pTempCursor);
            if (m_pHead != nullptr)
                m_pHead->m_pPrev = nullptr;
            --m_ulCount;
            pTempCursor->m_pNext = nullptr;
            pTempCursor->m_pPrev = nullptr;
            try
            {
                delete pTempCursor;
            }
            catch (...)
            {
                CMemDestroyFailWarning warning(TEXT("pTempCursor"), QOR_HERE);
            }
        }
        m_pTail = nullptr;
        m_ulCount = 0;
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class TNode, class X> bool CQORDblList<TNode, X>::moveNext()
{
    if (m_pCursor == nullptr || m_pCursor->m_pNext == nullptr)
        return false;
    m_pCursor = nextOf(m_pCursor);
    return true;
}

template <class TNode, class X> bool CQORDblList<TNode, X>::getCurrent(X& out) const
{
    try
    {
        if (m_pCursor == nullptr)
            return false;
        const X* pElement = m_pCursor->element();
        if (pElement == nullptr)
            return false;
        out = *pElement;
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class TNode, class X> bool CQORDblList<TNode, X>::setCurrent(const X& element)
{
    try
    {
        if (m_pCursor == nullptr)
            return false;
        m_pCursor->setCopy(element);
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}

template <class TNode, class X> bool CQORDblList<TNode, X>::copy(const CQORDblList& other)
{
    // Clearing first would lose the source when it is this list.
    if (&other == this)
        return true;
    try
    {
        if (m_ulCount != 0 || m_pHead != nullptr)
            clear();
        // Pointer nodes need a heap copy of each element; object nodes copy by value.
        LPCWSTR szSubject = TNode::s_bPointerNode ? TEXT("pNode") : TEXT("pNewNode");
        for (const TNode* pSource = other.m_pHead; pSource != nullptr; pSource = nextOf(pSource))
        {
            if (!appendCopy(pSource->element(), pSource->m_lKey, szSubject))
                return false;
        }
        return true;
    }
    QOR_CATCH_RETURN(false, errno)
}
