#include "model/AnyContainer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// An element that records its own destruction, to see what a container deletes.
struct TRACKED
{
    explicit TRACKED(std::vector<int>* pLog, int nId) : pLog(pLog), nId(nId) {}
    ~TRACKED()
    {
        if (pLog)
            pLog->push_back(nId);
    }
    std::vector<int>* pLog;
    int nId;
};

using COwning = CAnyContainer<TRACKED, 2, true>;
using CBorrowing = CAnyContainer<TRACKED, 2, false>;

template <class C>
std::vector<int> Ids(const C& c)
{
    std::vector<int> ids;
    for (int i = 0; i < c.GetCount(); ++i)
        ids.push_back(c.GetAt(i)->nId);
    return ids;
}

TEST(AnyContainer, GrowsByItsStepWithoutLimit)
{
    std::vector<int> log;
    COwning c;
    EXPECT_EQ(c.GetAllocated(), 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(c.Add(new TRACKED(&log, i)), i);
    EXPECT_EQ(c.GetAllocated(), 6);
    EXPECT_EQ(Ids(c), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(AnyContainer, InvalidIndicesAreRefusedSilently)
{
    std::vector<int> log;
    COwning c;
    for (int i = 0; i < 3; ++i)
        c.Add(new TRACKED(&log, i));
    for (int n : {-1, 3, 8})
        EXPECT_EQ(c.GetAt(n), nullptr) << n;
    c.RemoveAt(3);
    c.RemoveAt(-1);
    EXPECT_EQ(Ids(c), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(log.empty());

    // Appending is Add's job: InsertAt at the count leaves p with the caller.
    TRACKED* pNotTaken = new TRACKED(nullptr, 9);
    c.InsertAt(pNotTaken, 3);
    EXPECT_EQ(c.GetCount(), 3);
    EXPECT_EQ(c.Find(pNotTaken), -1);
    delete pNotTaken;
}

TEST(AnyContainer, InsertAtFrontMovesTheOthersUp)
{
    std::vector<int> log;
    COwning c;
    for (int i = 0; i < 3; ++i)
        c.Add(new TRACKED(&log, i));
    c.InsertAt(new TRACKED(&log, 7), 0); // needs a growth: 2 slots, then 4
    EXPECT_EQ(Ids(c), (std::vector<int>{7, 0, 1, 2}));
}

TEST(AnyContainer, RemoveDeletesOnlyWhatItOwnsAndOnlyTheFirstOccurrence)
{
    std::vector<int> log;
    {
        COwning c;
        for (int i = 0; i < 3; ++i)
            c.Add(new TRACKED(&log, i));
        c.RemoveAt(2); // the last: nothing moves
        EXPECT_EQ(Ids(c), (std::vector<int>{0, 1}));
        EXPECT_EQ(log, (std::vector<int>{2}));
        TRACKED stranger(nullptr, 5);
        EXPECT_LT(c.Remove(&stranger), 0);
        log.clear();
    }
    // Destruction deletes the rest from the last to the first.
    EXPECT_EQ(log, (std::vector<int>{1, 0}));

    log.clear();
    TRACKED a(&log, 1), b(&log, 2);
    {
        CBorrowing c;
        c.Add(&a);
        c.Add(&b);
        c.Add(&a);
        EXPECT_EQ(c.Remove(&a), 0);
        EXPECT_EQ(c.GetAt(0), &b);
        EXPECT_EQ(c.GetAt(1), &a);
        c.RemoveAll();
        EXPECT_EQ(c.GetCount(), 0);
        EXPECT_EQ(c.GetAllocated(), 4); // the slots stay for reuse
    }
    EXPECT_TRUE(log.empty()); // a non-owning container never deletes
    a.pLog = b.pLog = nullptr;
}

} // namespace
