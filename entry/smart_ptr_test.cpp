#include <gtest/gtest.h>

#include <vyr/smart_ptr.h>

namespace {

struct Counted {
    explicit Counted(int* destroyed) : destroyed(destroyed) {}
    ~Counted() { ++*destroyed; }
    int* destroyed;
    int value = 7;
};

class FakeInterface {
public:
    explicit FakeInterface(int* released) : released(released) {}
    void Release() {
        ++*released;
        delete this;
    }
    int* released;

private:
    ~FakeInterface() = default;
};

TEST(SmartPointer, NullPointerGivesEmptyHandle) {
    CVyrPtrSmart<Counted> empty(nullptr);
    EXPECT_FALSE(empty.IsValid());
    EXPECT_EQ(empty.Get(), nullptr);
    EXPECT_EQ(empty.UseCount(), 0);
}

TEST(SmartPointer, CopiesShareOneCountAndTheLastReleaseDestroysOnce) {
    int destroyed = 0;
    {
        CVyrPtrSmart<Counted> first(new Counted(&destroyed));
        EXPECT_EQ(first.UseCount(), 1);
        {
            CVyrPtrSmart<Counted> second(first);
            CVyrPtrSmart<Counted> third;
            third = second;
            EXPECT_EQ(first.UseCount(), 3);
            EXPECT_EQ(third.Get(), first.Get());
            EXPECT_EQ(third->value, 7);
            EXPECT_EQ((*second).value, 7);
        }
        EXPECT_EQ(first.UseCount(), 1);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(SmartPointer, SelfAssignmentKeepsTheObject) {
    int destroyed = 0;
    CVyrPtrSmart<Counted> handle(new Counted(&destroyed));
    CVyrPtrSmart<Counted>& alias = handle;
    handle = alias;
    EXPECT_TRUE(handle.IsValid());
    EXPECT_EQ(handle.UseCount(), 1);
    EXPECT_EQ(destroyed, 0);
}

TEST(SmartPointer, AssigningAnotherPointerReleasesTheOldObject) {
    int first_destroyed = 0;
    int second_destroyed = 0;
    CVyrPtrSmart<Counted> handle(new Counted(&first_destroyed));
    CVyrPtrSmart<Counted> other(new Counted(&second_destroyed));
    handle = other;
    EXPECT_EQ(first_destroyed, 1);
    EXPECT_EQ(other.UseCount(), 2);
    handle = new Counted(&first_destroyed);
    EXPECT_EQ(other.UseCount(), 1);
    EXPECT_EQ(second_destroyed, 0);
}

TEST(SmartPointer, ResetEmptiesOnlyThisCopy) {
    int destroyed = 0;
    CVyrPtrSmart<Counted> first(new Counted(&destroyed));
    CVyrPtrSmart<Counted> second(first);
    first.Reset();
    EXPECT_FALSE(first.IsValid());
    EXPECT_TRUE(second.IsValid());
    EXPECT_EQ(destroyed, 0);
    second.Reset();
    EXPECT_EQ(destroyed, 1);
    second.Reset();  // resetting an empty handle is harmless
    EXPECT_EQ(destroyed, 1);
}

TEST(SmartPointer, MovingTransfersTheReferenceWithoutCounting) {
    int destroyed = 0;
    CVyrPtrSmart<Counted> source(new Counted(&destroyed));
    CVyrPtrSmart<Counted> target(std::move(source));
    EXPECT_EQ(target.UseCount(), 1);
    target = CVyrPtrSmart<Counted>();
    EXPECT_EQ(destroyed, 1);
}

TEST(SmartPointer, InterfaceHandleCallsReleaseOnceOnTheLastReference) {
    int released = 0;
    {
        CVyrIPtrSmart<FakeInterface> first(new FakeInterface(&released));
        CVyrIPtrSmart<FakeInterface> second = first;
        first.Reset();
        EXPECT_EQ(released, 0);
    }
    EXPECT_EQ(released, 1);
}

}  // namespace
