#pragma once
// What the block cache and the streams that view its blocks know of each other, and nothing
// more: neither the volume nor the stream class needs the other's definition.
//
// A CacheView is a view into a cache block. The block keeps its views in a CacheViewList (in
// the order they were made) and, before it is freed, asks each to detach, that is to take a
// private copy of its bytes. A view leaves the list by itself when it stops pointing into the
// block. Linking and unlinking cost no allocation.
//
// A ViewRegistry is the cache as a view sees it: the one place that knows which block holds
// a given byte, and so which list a new view joins.
#include <cstdint>

class CacheViewList;

class CacheView {
public:
    CacheView(const CacheView&) = delete;
    CacheView& operator=(const CacheView&) = delete;

    // The block this view points into is about to be freed: keep a private copy of the bytes
    // and leave the block's list. May throw std::bad_alloc, leaving the view as it was.
    virtual void Detach() = 0;

    bool InCacheList() const { return list_ != nullptr; }

protected:
    CacheView() = default;
    virtual ~CacheView() = default;
    // Leaves the block's list, if in one.
    void LeaveCacheList();

private:
    friend class CacheViewList;
    CacheViewList* list_ = nullptr;
    CacheView* prev_ = nullptr;
    CacheView* next_ = nullptr;
};

class CacheViewList {
public:
    CacheViewList() = default;
    CacheViewList(const CacheViewList&) = delete;
    CacheViewList& operator=(const CacheViewList&) = delete;
    // A block is freed only after its views detached; a list left with views forgets them.
    ~CacheViewList();

    // Appends view (which must not be in a list).
    void Append(CacheView* view);
    void Remove(CacheView* view);
    // Asks every view to detach, oldest first; each leaves the list as it does.
    void DetachAll();
    uint32_t Count() const { return count_; }
    CacheView* First() const { return first_; }

private:
    CacheView* first_ = nullptr;
    CacheView* last_ = nullptr;
    uint32_t count_ = 0;
};

inline void CacheView::LeaveCacheList() {
    if (list_) list_->Remove(this);
}

class ViewRegistry {
public:
    // Puts view in the list of the cache block that holds the byte at data (its end
    // included); a view of bytes the cache does not hold stays unlisted.
    virtual void RegisterView(CacheView* view, const uint8_t* data) = 0;

protected:
    ViewRegistry() = default;
    virtual ~ViewRegistry() = default;
};
