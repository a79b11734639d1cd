#pragma once
// Doubly linked list that owns its items (not the values they point at).

class ORDABasicListItem {
public:
    ORDABasicListItem() = default;
    ORDABasicListItem(const ORDABasicListItem&) = delete;
    ORDABasicListItem& operator=(const ORDABasicListItem&) = delete;
    virtual ~ORDABasicListItem() = default;

    ORDABasicListItem* predecessor = nullptr;
    ORDABasicListItem* successor = nullptr;
};

template <typename T>
class ORDAListItem : public ORDABasicListItem {
public:
    explicit ORDAListItem(const T& v) : value(v) {}
    ORDAListItem* Next() const { return static_cast<ORDAListItem*>(successor); }
    ORDAListItem* Previous() const { return static_cast<ORDAListItem*>(predecessor); }

    T value;
};

class ORDABasicList {
public:
    ORDABasicList() = default;
    ORDABasicList(const ORDABasicList&) = delete;
    ORDABasicList& operator=(const ORDABasicList&) = delete;
    virtual ~ORDABasicList() { Clear(); }

    int Length() const { return l; }
    bool Empty() const { return l == 0; }

    // Deletes every item, first to last.
    void Clear()
    {
        ORDABasicListItem* it = first_item;
        while (it) {
            ORDABasicListItem* next = it->successor;
            delete it;
            it = next;
        }
        first_item = last_item = nullptr;
        l = 0;
    }

    void AppendItem(ORDABasicListItem* item)
    {
        item->predecessor = last_item;
        item->successor = nullptr;
        if (last_item) last_item->successor = item; else first_item = item;
        last_item = item;
        ++l;
    }

    // Links item just before `before` (at the end when `before` is null).
    void InsertItemBefore(ORDABasicListItem* item, ORDABasicListItem* before)
    {
        if (!before) {
            AppendItem(item);
            return;
        }
        item->successor = before;
        item->predecessor = before->predecessor;
        if (before->predecessor) before->predecessor->successor = item;
        else first_item = item;
        before->predecessor = item;
        ++l;
    }

    // Unlinks the item without deleting it.
    void UnlinkItem(ORDABasicListItem* item)
    {
        if (item->predecessor) item->predecessor->successor = item->successor;
        else first_item = item->successor;
        if (item->successor) item->successor->predecessor = item->predecessor;
        else last_item = item->predecessor;
        item->predecessor = item->successor = nullptr;
        --l;
    }

    ORDABasicListItem* first_item = nullptr;
    ORDABasicListItem* last_item = nullptr;
    int l = 0;
};

template <typename T>
class ORDAList : public ORDABasicList {
public:
    using Item = ORDAListItem<T>;

    Item* First() const { return static_cast<Item*>(first_item); }
    Item* Last() const { return static_cast<Item*>(last_item); }

    Item* Append(const T& v)
    {
        Item* item = new Item(v);
        AppendItem(item);
        return item;
    }

    Item* Prepend(const T& v)
    {
        Item* item = new Item(v);
        InsertItemBefore(item, first_item);
        return item;
    }

    // Null `before`: appends.
    Item* InsertBefore(Item* before, const T& v)
    {
        Item* item = new Item(v);
        InsertItemBefore(item, before);
        return item;
    }

    Item* InsertAfter(Item* after, const T& v)
    {
        Item* item = new Item(v);
        InsertItemBefore(item, after ? after->successor : first_item);
        return item;
    }

    Item* Find(const T& v) const
    {
        for (Item* it = First(); it; it = it->Next())
            if (it->value == v) return it;
        return nullptr;
    }

    // Unlinks and deletes the item.
    void Remove(Item* item)
    {
        UnlinkItem(item);
        delete item;
    }

    // Removes the first item holding v; false when there is none.
    bool RemoveValue(const T& v)
    {
        Item* item = Find(v);
        if (!item) return false;
        Remove(item);
        return true;
    }
};

// Walks a list from its first item; ptr is null past the end.
class ORDAListIterator {
public:
    explicit ORDAListIterator(const ORDABasicList& list) : ptr(list.first_item) {}
    bool More() const { return ptr != nullptr; }
    void Next() { if (ptr) ptr = ptr->successor; }
    template <typename T>
    T& Value() const { return static_cast<ORDAListItem<T>*>(ptr)->value; }

    ORDABasicListItem* ptr;
};

#include <cstddef>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(ORDABasicListItem) == 24);
static_assert(offsetof(ORDABasicListItem, predecessor) == 8);
static_assert(offsetof(ORDABasicListItem, successor) == 16);
static_assert(sizeof(ORDABasicList) == 32);
static_assert(offsetof(ORDABasicList, first_item) == 8);
static_assert(offsetof(ORDABasicList, last_item) == 16);
static_assert(offsetof(ORDABasicList, l) == 24);
static_assert(sizeof(ORDAListIterator) == sizeof(void*));
#pragma GCC diagnostic pop
