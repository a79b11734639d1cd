#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orda_list.h"
#include "orda_string.h"

namespace {

template <typename T>
std::vector<T> Values(const ORDAList<T>& list)
{
    std::vector<T> out;
    for (auto* it = list.First(); it; it = it->Next()) out.push_back(it->value);
    return out;
}

TEST(ORDAList, AppendFindRemove)
{
    ORDAList<int> list;
    EXPECT_TRUE(list.Empty());
    auto* one = list.Append(1);
    list.Append(2);
    auto* three = list.Append(3);
    list.Append(2);
    EXPECT_EQ(list.Length(), 4);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 2}));
    EXPECT_EQ(list.First(), one);
    EXPECT_EQ(list.Last()->Previous()->Previous(), three->Previous());

    EXPECT_EQ(list.Find(3), three);
    EXPECT_EQ(list.Find(7), nullptr);

    EXPECT_TRUE(list.RemoveValue(2));
    EXPECT_EQ(Values(list), (std::vector<int>{1, 3, 2}));
    EXPECT_FALSE(list.RemoveValue(7));

    list.Remove(one);
    EXPECT_EQ(Values(list), (std::vector<int>{3, 2}));
    EXPECT_EQ(list.First()->Previous(), nullptr);
    list.Remove(list.Last());
    EXPECT_EQ(list.First(), list.Last());
    list.Remove(list.First());
    EXPECT_EQ(list.Length(), 0);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Last(), nullptr);

    list.Append(5);
    EXPECT_EQ(Values(list), (std::vector<int>{5}));
}

TEST(ORDAList, IteratorAndStrings)
{
    ORDAList<ORDAString> list;
    list.Append("alpha");
    list.Append("beta");
    EXPECT_NE(list.Find("beta"), nullptr);
    std::string seen;
    for (ORDAListIterator it(list); it.More(); it.Next()) seen += it.Value<ORDAString>().Beginning();
    EXPECT_EQ(seen, "alphabeta");

    ORDAList<int> empty;
    ORDAListIterator it(empty);
    EXPECT_FALSE(it.More());
    it.Next();
    EXPECT_EQ(it.ptr, nullptr);
}

// Counts destructions so that the list's ownership of its items shows.
struct Tracked {
    static std::vector<int>* log;
    int id;
    explicit Tracked(int i) : id(i) {}
    Tracked(const Tracked& o) : id(o.id) {}
    ~Tracked() { if (log) log->push_back(id); }
    bool operator==(const Tracked& o) const { return id == o.id; }
};
std::vector<int>* Tracked::log = nullptr;

TEST(ORDAList, DeletesItemsFirstToLast)
{
    std::vector<int> destroyed;
    {
        ORDAList<Tracked> list;
        list.Append(Tracked(1));
        list.Append(Tracked(2));
        list.Append(Tracked(3));
        Tracked::log = &destroyed;
    }
    Tracked::log = nullptr;
    EXPECT_EQ(destroyed, (std::vector<int>{1, 2, 3}));

    // A list of pointers leaves the pointed objects alone.
    int target = 42;
    {
        ORDAList<int*> pointers;
        pointers.Append(&target);
        pointers.Clear();
        EXPECT_EQ(pointers.Length(), 0);
    }
    EXPECT_EQ(target, 42);
}

} // namespace
