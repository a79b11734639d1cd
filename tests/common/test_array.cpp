#include <gtest/gtest.h>

#include <string>

#include "orda_array.h"
#include "orda_string.h"

namespace {

TEST(ORDAArray, ComputeArraySize)
{
    const int want[] = {0, 1, 2, 4, 4, 8, 8, 8, 8, 16};
    for (int n = 0; n < 10; ++n) EXPECT_EQ(compute_array_size(n), want[n]) << n;
    EXPECT_EQ(compute_array_size(1024), 1024);
    EXPECT_EQ(compute_array_size(1025), 2048);
    EXPECT_EQ(compute_array_size(1 << 30), 1 << 30);
}

TEST(ORDAArray, GrowsInPowersOfTwo)
{
    ORDAArray<int> a;
    EXPECT_EQ(a.Size(), 0);
    EXPECT_EQ(a.capacity, 0);
    const int capacities[] = {1, 2, 4, 4, 8, 8, 8, 8, 16};
    for (int i = 0; i < 9; ++i) {
        a.Append() = i * 10;
        EXPECT_EQ(a.Size(), i + 1);
        EXPECT_EQ(a.capacity, capacities[i]);
        EXPECT_TRUE(a.owns);
    }
    for (int i = 0; i < 9; ++i) EXPECT_EQ(a(i), i * 10);
}

TEST(ORDAArray, IndexPastTheEndCreatesTheGap)
{
    ORDAArray<ORDAString> a;
    a(5) = "five";
    EXPECT_EQ(a.Size(), 6);
    EXPECT_EQ(a.capacity, 8);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a(i).Length(), 0);
    EXPECT_TRUE(a(5) == "five");

    // Inside the capacity the block stays.
    ORDAString* block = a.data;
    a(7) = "seven";
    EXPECT_EQ(a.data, block);
    EXPECT_EQ(a.Size(), 8);
    a(8) = "eight";
    EXPECT_NE(a.data, block);
    EXPECT_EQ(a.capacity, 16);
    EXPECT_TRUE(a(5) == "five");
    EXPECT_TRUE(a(7) == "seven");
}

TEST(ORDAArray, RingIndexing)
{
    ORDAArray<int> a;
    for (int i = 0; i < 8; ++i) a(i) = 100 + i;
    // Element 0 moved to block position 5.
    a.first = 5;
    EXPECT_EQ(&a(0), &a.data[5]);
    EXPECT_EQ(a(0), 105);
    EXPECT_EQ(a(2), 107);
    EXPECT_EQ(a(3), 100);
    EXPECT_EQ(a(7), 104);

    // Growth copies in element order and starts the ring again at 0.
    a(8) = 999;
    EXPECT_EQ(a.first, 0);
    EXPECT_EQ(a.capacity, 16);
    const int want[] = {105, 106, 107, 100, 101, 102, 103, 104, 999};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(a.data[i], want[i]) << i;
}

TEST(ORDAArray, BorrowedBlock)
{
    int outside[3] = {1, 2, 3};
    {
        ORDAArray<int> a(outside, 3);
        EXPECT_FALSE(a.owns);
        EXPECT_EQ(&a(1), &outside[1]);
        a(1) = 20;
        EXPECT_EQ(outside[1], 20);

        a(3) = 4;
        EXPECT_TRUE(a.owns);
        EXPECT_EQ(a.capacity, 4);
        EXPECT_EQ(a(0), 1);
        EXPECT_EQ(a(1), 20);
        EXPECT_EQ(a(2), 3);
        EXPECT_EQ(a(3), 4);
        a(0) = 9;
    }
    EXPECT_EQ(outside[0], 1);
}

TEST(ORDAArray, CopiesAreDeep)
{
    ORDAArray<ORDAString> a;
    a(0) = "zero";
    a(2) = "two";
    ORDAArray<ORDAString> b(a);
    b(0) = "changed";
    EXPECT_TRUE(a(0) == "zero");
    ASSERT_EQ(b.Size(), 3);
    EXPECT_TRUE(b(2) == "two");
    EXPECT_NE(a.data, b.data);

    ORDAArray<ORDAString> c;
    c(10) = "x";
    c = a;
    EXPECT_EQ(c.Size(), 3);
    EXPECT_TRUE(c(2) == "two");
    c = c;
    EXPECT_TRUE(c(0) == "zero");

    ORDAArray<ORDAString> empty;
    c = empty;
    EXPECT_EQ(c.Size(), 0);
    EXPECT_EQ(c.data, nullptr);

    ORDAArray<ORDAString> moved(std::move(a));
    EXPECT_EQ(moved.Size(), 3);
    EXPECT_EQ(a.Size(), 0);
}

TEST(ORDAArray, ResizeAndBounds)
{
    ORDAArray<ORDAString> a;
    a(3) = "three";
    a.Resize(1);
    EXPECT_EQ(a.Size(), 1);
    // Dropped elements come back empty.
    a.Resize(4);
    EXPECT_EQ(a(3).Length(), 0);
    a.Resize(-1);
    EXPECT_EQ(a.Size(), 0);

    EXPECT_THROW(a(-1), const char*);
    const ORDAArray<ORDAString>& ca = a;
    EXPECT_THROW(ca(0), const char*);
}

} // namespace
