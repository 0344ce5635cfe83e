// CGrowableArray: elements kept by value in one contiguous block that grows by a step derived
// from the current count. Every index is checked: a bad one is reported as a debug assertion and
// then raised as an invalid-argument exception.
//
// Elements are relocated as raw memory when the block is replaced or a gap is closed, so TYPE
// must keep its value when its bytes move (true for CAttribute: its string is one heap pointer).
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "platform/Debug.h"
#include "platform/Exceptions.h"
#include "platform/Object.h"

template <class TYPE>
class CGrowableArray : public CObject {
    // Growth default-constructs and shrinking destroys slot by slot; neither may fail halfway.
    static_assert(std::is_nothrow_default_constructible<TYPE>::value, "TYPE() must not throw");
    static_assert(std::is_nothrow_destructible<TYPE>::value, "~TYPE() must not throw");
    static_assert(alignof(TYPE) <= alignof(std::max_align_t), "the block comes from malloc");

public:
    CGrowableArray() = default;
    CGrowableArray(const CGrowableArray&) = delete;
    CGrowableArray& operator=(const CGrowableArray&) = delete;
    ~CGrowableArray() override;

    int GetSize() const;
    TYPE& ElementAt(int nIndex);
    void SetSize(int nNewSize);
    void EnsureCapacity(int nNewSize);
    void SetAtGrow(int nIndex, const TYPE& newElement);
    void RemoveAt(int nIndex, int nCount = 1);

private:
    // Through a parameter: ASSERT_VALID(this) compares this with null, which the compiler flags.
    static void AssertValidArray(const CObject* pArray) { ASSERT_VALID(pArray); }
    void DestroyRange(int nFirst, int nCount);

    TYPE* m_pData = nullptr;
    int m_nMaxSize = 0;
    int m_nGrowBy = 0;  // 0: automatic step
    int m_nSize = 0;
};

template <class TYPE>
CGrowableArray<TYPE>::~CGrowableArray() {
    DestroyRange(0, m_nSize);
    std::free(m_pData);
    m_pData = nullptr;
}

template <class TYPE>
int CGrowableArray<TYPE>::GetSize() const {
    AssertValidArray(this);
    return m_nSize;
}

template <class TYPE>
TYPE& CGrowableArray<TYPE>::ElementAt(int nIndex) {
    ASSERT(nIndex >= 0 && nIndex < m_nSize);
    if (nIndex < 0 || nIndex >= m_nSize) AfxThrowInvalidArgException();
    return m_pData[nIndex];
}

template <class TYPE>
void CGrowableArray<TYPE>::EnsureCapacity(int nNewSize) {
    AssertValidArray(this);
    ASSERT(nNewSize >= 0);
    if (nNewSize <= m_nMaxSize) return;

    int nGrowBy = m_nGrowBy;
    if (nGrowBy == 0) {
        nGrowBy = m_nSize / 8;
        if (nGrowBy < 4) nGrowBy = 4;
        if (nGrowBy > 1024) nGrowBy = 1024;
    }
    // A capacity past INT_MAX, or a byte count past what one block can hold, would wrap into a
    // short block: refuse it as the allocation failure it really is.
    if (nNewSize > INT_MAX - nGrowBy) AfxThrowMemoryException();
    const int nNewMax = nNewSize + nGrowBy;
    if (static_cast<std::size_t>(nNewMax) > static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(TYPE))
        AfxThrowMemoryException();
    const std::size_t nBytes = static_cast<std::size_t>(nNewMax) * sizeof(TYPE);

    void* pNewData = std::malloc(nBytes);
    if (!pNewData) AfxThrowMemoryException();
    const std::size_t nUsedBytes = static_cast<std::size_t>(m_nSize) * sizeof(TYPE);
    if (nUsedBytes) std::memcpy(pNewData, static_cast<void*>(m_pData), nUsedBytes);
    std::memset(static_cast<char*>(pNewData) + nUsedBytes, 0, nBytes - nUsedBytes);
    std::free(m_pData);
    m_pData = static_cast<TYPE*>(pNewData);
    m_nMaxSize = nNewMax;
}

template <class TYPE>
void CGrowableArray<TYPE>::SetSize(int nNewSize) {
    AssertValidArray(this);
    ASSERT(nNewSize >= 0);
    if (nNewSize < 0) AfxThrowInvalidArgException();

    EnsureCapacity(nNewSize);
    if (nNewSize > m_nSize) {
        for (int i = m_nSize; i < nNewSize; ++i) ::new (static_cast<void*>(m_pData + i)) TYPE;
    } else if (nNewSize < m_nSize) {
        DestroyRange(nNewSize, m_nSize - nNewSize);
        std::memset(static_cast<void*>(m_pData + nNewSize), 0,
                    static_cast<std::size_t>(m_nSize - nNewSize) * sizeof(TYPE));
    }
    m_nSize = nNewSize;
}

template <class TYPE>
void CGrowableArray<TYPE>::SetAtGrow(int nIndex, const TYPE& newElement) {
    AssertValidArray(this);
    ASSERT(nIndex >= 0);
    if (nIndex < 0) AfxThrowInvalidArgException();
    if (nIndex == INT_MAX) AfxThrowMemoryException();  // the count nIndex + 1 does not fit

    const int nOldSize = m_nSize;
    const TYPE* pSource = &newElement;
    if (nIndex >= m_nSize) {
        // newElement may live in this very block, which growing frees: find it again afterwards.
        const auto address = reinterpret_cast<std::uintptr_t>(&newElement);
        const auto first = reinterpret_cast<std::uintptr_t>(m_pData);
        const bool bInside = m_nSize > 0 && address >= first &&
                             address < first + static_cast<std::size_t>(m_nSize) * sizeof(TYPE);
        const std::size_t nSourceIndex = bInside ? (address - first) / sizeof(TYPE) : 0;
        SetSize(nIndex + 1);
        if (bInside) pSource = m_pData + nSourceIndex;
    }
    try {
        m_pData[nIndex] = *pSource;
    } catch (...) {
        // A failed copy must not leave default elements behind at the end.
        if (m_nSize != nOldSize) SetSize(nOldSize);
        throw;
    }
}

template <class TYPE>
void CGrowableArray<TYPE>::RemoveAt(int nIndex, int nCount) {
    AssertValidArray(this);
    ASSERT(nIndex >= 0);
    ASSERT(nCount >= 0);
    // Widened: nIndex + nCount may exceed INT_MAX.
    const bool bInRange = static_cast<long long>(nIndex) + nCount <= m_nSize;
    ASSERT(bInRange);
    if (nIndex < 0 || nCount < 0 || !bInRange) AfxThrowInvalidArgException();

    DestroyRange(nIndex, nCount);
    const int nMoveCount = m_nSize - nIndex - nCount;
    if (nMoveCount > 0) {
        std::memmove(static_cast<void*>(m_pData + nIndex),
                     static_cast<void*>(m_pData + nIndex + nCount),
                     static_cast<std::size_t>(nMoveCount) * sizeof(TYPE));
    }
    m_nSize -= nCount;
}

template <class TYPE>
void CGrowableArray<TYPE>::DestroyRange(int nFirst, int nCount) {
    for (int i = nFirst; i < nFirst + nCount; ++i) m_pData[i].~TYPE();
}
