#include <gtest/gtest.h>

#include <utility>

#include <vyr/smart_ptr.h>

namespace {

struct Counted {
    explicit Counted(int* destroyed) : destroyed(destroyed) {}
    ~Counted() { ++*destroyed; }
    int* destroyed;
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

TEST(SmartPointer, CopiesShareOneCountAndTheLastReferenceDestroysOnce) {
    EXPECT_FALSE(CVyrPtrSmart<Counted>(nullptr).IsValid());
    EXPECT_EQ(CVyrPtrSmart<Counted>(nullptr).UseCount(), 0);
    int destroyed = 0;
    {
        CVyrPtrSmart<Counted> first(new Counted(&destroyed));
        {
            CVyrPtrSmart<Counted> second(first);
            CVyrPtrSmart<Counted> third;
            third = second;
            EXPECT_EQ(first.UseCount(), 3);
            EXPECT_EQ(third.Get(), first.Get());
            second.Reset();  // empties this copy only
            EXPECT_FALSE(second.IsValid());
            EXPECT_EQ(first.UseCount(), 2);
        }
        EXPECT_EQ(destroyed, 0);
        CVyrPtrSmart<Counted> moved(std::move(first));  // takes the reference without counting
        EXPECT_EQ(moved.UseCount(), 1);
        moved.Reset();
        EXPECT_EQ(destroyed, 1);
        moved.Reset();  // an empty pointer resets harmlessly
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(SmartPointer, AssignmentReleasesTheOldObjectAndSelfAssignmentKeepsIt) {
    int first_destroyed = 0;
    int second_destroyed = 0;
    CVyrPtrSmart<Counted> handle(new Counted(&first_destroyed));
    CVyrPtrSmart<Counted>& alias = handle;
    handle = alias;
    EXPECT_TRUE(handle.IsValid());
    EXPECT_EQ(handle.UseCount(), 1);
    EXPECT_EQ(first_destroyed, 0);

    CVyrPtrSmart<Counted> other(new Counted(&second_destroyed));
    handle = other;
    EXPECT_EQ(first_destroyed, 1);
    EXPECT_EQ(other.UseCount(), 2);
    handle = new Counted(&first_destroyed);
    EXPECT_EQ(other.UseCount(), 1);
    EXPECT_EQ(second_destroyed, 0);
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
