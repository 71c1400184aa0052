#pragma once

#include <memory>
#include <utility>

namespace mireval::ui {

// Creates a Qt object that its parent owns from the start: the parent deletes it, so the
// pointer returned is only an observer.
template <class Object, class Parent, class... Args>
Object* MakeOwned(Parent* parent, Args&&... args) {
    return std::make_unique<Object>(std::forward<Args>(args)..., parent).release();
}

}  // namespace mireval::ui
