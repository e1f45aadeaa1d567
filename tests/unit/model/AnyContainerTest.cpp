#include "model/AnyContainer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// An element that records its own destruction, to see what a container deletes.
struct TRACKED
{
    std::vector<int>* pLog;
    int nId;
    ~TRACKED()
    {
        if (pLog)
            pLog->push_back(nId);
    }
};

template <class C> std::vector<int> Ids(const C& c)
{
    std::vector<int> ids;
    for (int i = 0; i < c.GetCount(); ++i)
        ids.push_back(c.GetAt(i)->nId);
    return ids;
}

TEST(AnyContainer, GrowsByItsStepAndRefusesInvalidIndicesSilently)
{
    std::vector<int> log;
    {
        CAnyContainer<TRACKED, 2, true> c;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(c.Add(new TRACKED{&log, i}), i);
        c.InsertAt(new TRACKED{&log, 7}, 0); // needs a growth: 4 slots, then 6
        EXPECT_EQ(c.GetAllocated(), 6);
        EXPECT_EQ(Ids(c), (std::vector<int>{7, 0, 1, 2, 3}));
        for (int n : {-1, 5, 8})
            EXPECT_EQ(c.GetAt(n), nullptr) << n;
        c.RemoveAt(5);
        c.RemoveAt(-1);
        TRACKED stranger{nullptr, 5};
        EXPECT_LT(c.Remove(&stranger), 0);
        EXPECT_TRUE(log.empty());

        // Appending is Add's job: InsertAt at the count leaves p with the caller.
        TRACKED notTaken{nullptr, 9};
        c.InsertAt(&notTaken, 5);
        EXPECT_EQ(c.Find(&notTaken), -1);

        c.RemoveAt(4); // the last: nothing moves
        EXPECT_EQ(log, (std::vector<int>{3}));
        log.clear();
    }
    // Destruction deletes the rest from the last to the first.
    EXPECT_EQ(log, (std::vector<int>{2, 1, 0, 7}));
}

TEST(AnyContainer, BorrowingContainerRemovesTheFirstOccurrenceAndNeverDeletes)
{
    std::vector<int> log;
    TRACKED a{&log, 1}, b{&log, 2};
    {
        CAnyContainer<TRACKED, 2, false> c;
        c.Add(&a);
        c.Add(&b);
        c.Add(&a);
        EXPECT_EQ(c.Remove(&a), 0);
        EXPECT_TRUE(c.GetAt(0) == &b && c.GetAt(1) == &a);
        c.RemoveAll();
        EXPECT_TRUE(c.GetCount() == 0 && c.GetAllocated() == 4) << "the slots stay for reuse";
    }
    EXPECT_TRUE(log.empty());
    a.pLog = b.pLog = nullptr;
}

} // namespace
