#include "core/RefObject.h"
#include "core/SmartPtr.h"

#include <gtest/gtest.h>

namespace
{
struct Tracked : RefObject
{
    explicit Tracked(int* deaths, int value = 0) : deaths(deaths), value(value) {}
    ~Tracked() override { ++*deaths; }
    int* deaths;
    int value;
    SmartPtr<Tracked> next;
};

class RefObjectTest : public ::testing::Test
{
protected:
    void SetUp() override { RefObject::CollectGarbage(); }
    void TearDown() override { RefObject::CollectGarbage(); }
    int deaths = 0;
};
} // namespace

TEST_F(RefObjectTest, ReleasedObjectLivesUntilTheCollection)
{
    Tracked* raw = new Tracked(&deaths, 42);
    {
        SmartPtr<Tracked> handle(raw);
        EXPECT_EQ(raw->GetRefCount(), 1);
    }
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(raw->value, 42); // still readable within the frame
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 1);
}

TEST_F(RefObjectTest, CountsFollowCopiesAndReassignment)
{
    Tracked* a = new Tracked(&deaths);
    Tracked* b = new Tracked(&deaths);
    SmartPtr<Tracked> first(a);
    SmartPtr<Tracked> second(first);
    SmartPtr<Tracked> third;
    EXPECT_TRUE(!third);
    third = second;
    EXPECT_EQ(a->GetRefCount(), 3);
    second = b;
    EXPECT_EQ(a->GetRefCount(), 2);
    EXPECT_EQ(b->GetRefCount(), 1);
    third = nullptr;
    EXPECT_TRUE(!third);
    EXPECT_EQ(a->GetRefCount(), 1);
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 0);
    first = second;
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(b->GetRefCount(), 2);
}

TEST_F(RefObjectTest, SelfAssignmentKeepsTheObject)
{
    Tracked* a = new Tracked(&deaths);
    SmartPtr<Tracked> handle(a);
    handle = a;
    handle = handle;
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(a->GetRefCount(), 1);
}

TEST_F(RefObjectTest, ReferenceTakenAgainAfterQueueingSurvives)
{
    Tracked* a = new Tracked(&deaths);
    {
        SmartPtr<Tracked> temporary(a);
    }
    SmartPtr<Tracked> kept(a); // taken again within the frame
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 0);
    kept = nullptr;
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 1);
}

TEST_F(RefObjectTest, ReleasedTwiceToZeroIsDeletedOnce)
{
    Tracked* a = new Tracked(&deaths);
    {
        SmartPtr<Tracked> one(a);
    }
    {
        SmartPtr<Tracked> two(a);
    }
    EXPECT_EQ(RefObject::PendingCount(), 1);
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 1);
}

TEST_F(RefObjectTest, ChainDiesInOneCollection)
{
    Tracked* head = new Tracked(&deaths);
    head->next = new Tracked(&deaths);
    head->next->next = new Tracked(&deaths);
    {
        SmartPtr<Tracked> handle(head);
    }
    RefObject::CollectGarbage();
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(RefObject::PendingCount(), 0);
}

TEST_F(RefObjectTest, UnreferencedNewObjectIsNeverCollected)
{
    Tracked* orphan = new Tracked(&deaths);
    RefObject::CollectGarbage();
    RefObject::DeleteAll();
    EXPECT_EQ(deaths, 0);
    delete orphan;
}
