#pragma once

#include <cstring>

// A growable array of pointers to elements. STEP is the growth quantum (slots
// added whenever the array is full), not a capacity. With OWNS the container
// deletes the elements it removes and those it still holds when emptied or
// destroyed. Invalid indices are refused silently: GetAt gives null, RemoveAt
// and InsertAt do nothing, so callers test GetAt's result before use.
template <class T, int STEP, bool OWNS> class CAnyContainer
{
public:
    CAnyContainer() = default;
    CAnyContainer(const CAnyContainer&) = delete;
    CAnyContainer& operator=(const CAnyContainer&) = delete;

    virtual ~CAnyContainer()
    {
        CAnyContainer::RemoveAll();
        delete[] m_pData;
    }

    // Appends p and returns its index.
    virtual int Add(T* p)
    {
        if (m_nAllocated <= m_nCount)
            Grow();
        m_pData[m_nCount] = p;
        return m_nCount++;
    }

    // Inserts p before the element at a valid index. Any other index (the
    // count included: appending is Add's job) does nothing and p is not taken.
    virtual void InsertAt(T* p, int nIndex)
    {
        if (!IsValidIndex(nIndex))
            return;
        if (m_nAllocated <= m_nCount)
            Grow();
        std::memmove(m_pData + nIndex + 1, m_pData + nIndex,
                     sizeof(T*) * static_cast<size_t>(m_nCount - nIndex));
        m_pData[nIndex] = p;
        ++m_nCount;
    }

    virtual void RemoveAt(int nIndex)
    {
        if (!IsValidIndex(nIndex))
            return;
        if (m_bOwns)
            delete m_pData[nIndex];
        std::memmove(m_pData + nIndex, m_pData + nIndex + 1,
                     sizeof(T*) * static_cast<size_t>(m_nCount - nIndex - 1));
        m_pData[--m_nCount] = nullptr;
    }

    // Removes the first occurrence of p; returns its former index, or -1 when
    // p is not held.
    virtual int Remove(T* p)
    {
        const int nIndex = Find(p);
        if (nIndex >= 0)
            RemoveAt(nIndex);
        return nIndex;
    }

    // Empties the container; the slot array stays allocated for reuse.
    virtual void RemoveAll()
    {
        if (m_bOwns) {
            for (int i = m_nCount - 1; i >= 0; --i)
                delete m_pData[i];
        }
        if (m_pData)
            std::memset(m_pData, 0, sizeof(T*) * static_cast<size_t>(m_nAllocated));
        m_nCount = 0;
    }

    virtual T* GetAt(int nIndex) const { return IsValidIndex(nIndex) ? m_pData[nIndex] : nullptr; }

    int GetCount() const { return m_nCount; }
    bool IsValidIndex(int nIndex) const { return nIndex >= 0 && nIndex < m_nCount; }

    int Find(const T* p) const
    {
        for (int i = 0; i < m_nCount; ++i) {
            if (GetAt(i) == p)
                return i;
        }
        return -1;
    }

    int GetAllocated() const { return m_nAllocated; }

private:
    void Grow()
    {
        const int nNewSize = m_nAllocated + m_nGrowBy;
        T** pNew = new T*[static_cast<size_t>(nNewSize)]();
        if (m_pData)
            std::memcpy(pNew, m_pData, sizeof(T*) * static_cast<size_t>(m_nAllocated));
        delete[] m_pData;
        m_pData = pNew;
        m_nAllocated = nNewSize;
    }

    int m_nGrowBy = STEP;
    int m_nAllocated = 0;
    T** m_pData = nullptr;
    bool m_bOwns = OWNS;
    int m_nCount = 0;
};
