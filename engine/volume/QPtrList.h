#pragma once
// The engines' container: a doubly linked list of item pointers with one built-in cursor.
// With automatic deletion on, the list owns its items and deletes them when they are removed
// or the list is cleared; with it off, it only refers to them.
//
// Cursor rules: append makes the new node current; first/last/next move the cursor; removing
// the current node moves the cursor to the next node, or to the previous one when the removed
// node was the last.
#include <cstdint>

template <typename T> class QPtrList {
public:
    QPtrList() = default;
    explicit QPtrList(bool autoDelete) : autoDelete_(autoDelete) {}
    virtual ~QPtrList() { clear(); }

    QPtrList(const QPtrList&) = delete;
    QPtrList& operator=(const QPtrList&) = delete;

    void setAutoDelete(bool on) { autoDelete_ = on; }
    bool autoDelete() const { return autoDelete_; }

    virtual uint32_t count() const { return count_; }
    bool isEmpty() const { return count_ == 0; }

    // Appends at the tail; the new node becomes current. Returns the new count.
    uint32_t append(T* item) {
        Node* n = new Node{newItem(item), last_, nullptr};
        if (last_)
            last_->next = n;
        else
            first_ = n;
        last_ = n;
        current_ = n;
        currentIndex_ = static_cast<int32_t>(count_);
        return ++count_;
    }

    T* first() {
        current_ = first_;
        currentIndex_ = first_ ? 0 : -1;
        return first_ ? first_->item : nullptr;
    }

    T* last() {
        current_ = last_;
        currentIndex_ = last_ ? static_cast<int32_t>(count_) - 1 : -1;
        return last_ ? last_->item : nullptr;
    }

    // Advances the cursor; past the end the cursor becomes null and the index -1.
    T* next() {
        if (!current_) return nullptr;
        current_ = current_->next;
        currentIndex_ = current_ ? currentIndex_ + 1 : -1;
        return current_ ? current_->item : nullptr;
    }

    T* current() const { return current_ ? current_->item : nullptr; }
    int32_t at() const { return currentIndex_; }

    // Item at index (moves the cursor there); null when out of range.
    T* at(uint32_t index) {
        if (index >= count_) return nullptr;
        Node* n = first_;
        for (uint32_t i = 0; i < index; ++i)
            n = n->next;
        current_ = n;
        currentIndex_ = static_cast<int32_t>(index);
        return n->item;
    }

    // Finds item by pointer, from the first node or from the cursor; sets the cursor.
    // Returns the index or -1.
    int32_t findRef(const T* item, bool fromCurrent = false) {
        Node* n = (fromCurrent && current_) ? current_ : first_;
        int32_t index = (fromCurrent && current_) ? currentIndex_ : 0;
        for (; n; n = n->next, ++index) {
            if (compareItems(n->item, item) == 0) {
                current_ = n;
                currentIndex_ = index;
                return index;
            }
        }
        return -1;
    }

    bool containsRef(const T* item) const {
        for (Node* n = first_; n; n = n->next)
            if (n->item == item) return true;
        return false;
    }

    // Removes item (found by pointer from the first node); false if not in the list.
    bool remove(const T* item) {
        if (findRef(item) < 0) return false;
        return remove();
    }

    // Removes the current node.
    bool remove() {
        Node* n = current_;
        if (!n) return false;
        if (n->prev)
            n->prev->next = n->next;
        else
            first_ = n->next;
        if (n->next)
            n->next->prev = n->prev;
        else
            last_ = n->prev;
        if (n->next) {
            current_ = n->next; // the index stays: the next node moves into this place
        } else {
            current_ = n->prev;
            currentIndex_ = n->prev ? currentIndex_ - 1 : -1;
        }
        --count_;
        T* item = n->item;
        delete n;
        deleteItem(item);
        return true;
    }

    // Removes the first node; the cursor follows the removal rules.
    bool removeFirst() {
        if (!first_) return false;
        current_ = first_;
        currentIndex_ = 0;
        return remove();
    }

    // Takes the current node out without deleting its item.
    T* take() {
        const bool saved = autoDelete_;
        T* item = current();
        autoDelete_ = false;
        remove();
        autoDelete_ = saved;
        return item;
    }

    virtual void clear() {
        while (first_) {
            Node* n = first_;
            first_ = n->next;
            T* item = n->item;
            delete n;
            deleteItem(item);
        }
        last_ = current_ = nullptr;
        count_ = 0;
        currentIndex_ = -1;
    }

    // Clears, then appends every item of other; the cursor rests on the first node.
    void assign(const QPtrList& other) {
        if (&other == this) return;
        clear();
        for (Node* n = other.first_; n; n = n->next)
            append(n->item);
        first();
    }

    // The first item for which pred holds, without moving the cursor; null when none.
    template <typename F> T* findIf(F&& pred) const {
        for (Node* n = first_; n; n = n->next)
            if (pred(n->item)) return n->item;
        return nullptr;
    }

    // Plain iteration that leaves the cursor alone.
    template <typename F> void forEach(F&& f) const {
        for (Node* n = first_; n; n = n->next)
            f(n->item);
    }

protected:
    virtual T* newItem(T* item) { return item; }
    virtual void deleteItem(T* item) {
        if (autoDelete_) delete item;
    }
    virtual int compareItems(const T* a, const T* b) const { return a != b ? 1 : 0; }

private:
    struct Node {
        T* item;
        Node* prev;
        Node* next;
    };

    bool autoDelete_ = false;
    Node* first_ = nullptr;
    Node* last_ = nullptr;
    Node* current_ = nullptr;
    int32_t currentIndex_ = -1;
    uint32_t count_ = 0;
};
