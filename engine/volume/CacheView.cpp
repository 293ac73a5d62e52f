#include "engine/volume/CacheView.h"

CacheViewList::~CacheViewList() {
    while (first_)
        Remove(first_);
}

void CacheViewList::Append(CacheView* view) {
    if (!view || view->list_) return;
    view->list_ = this;
    view->prev_ = last_;
    view->next_ = nullptr;
    if (last_)
        last_->next_ = view;
    else
        first_ = view;
    last_ = view;
    ++count_;
}

void CacheViewList::Remove(CacheView* view) {
    if (!view || view->list_ != this) return;
    if (view->prev_)
        view->prev_->next_ = view->next_;
    else
        first_ = view->next_;
    if (view->next_)
        view->next_->prev_ = view->prev_;
    else
        last_ = view->prev_;
    view->list_ = nullptr;
    view->prev_ = view->next_ = nullptr;
    --count_;
}

void CacheViewList::DetachAll() {
    while (first_) {
        CacheView* view = first_;
        view->Detach();
        Remove(view); // in case the view kept itself listed
    }
}
