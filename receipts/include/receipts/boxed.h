// Boxed<T>: a value of T kept on the heap, with the value semantics of a T member.
//
// Records use it for a large member that is often absent or rare, so that every record
// that could hold one does not grow by its whole size: a box takes one pointer in its
// record and its value's size only where a value exists. Copies copy the value, moves move
// the pointer, and equality compares the values. A moved-from box holds nothing and may
// only be assigned to or destroyed.
#pragma once

#include <memory>
#include <utility>

#include "base/invariant.h"

namespace kovra::receipts {

template <class T>
class Boxed {
 public:
  Boxed() : value_(std::make_unique<T>()) {}
  explicit Boxed(T value) : value_(std::make_unique<T>(std::move(value))) {}
  Boxed(const Boxed& other) : value_(std::make_unique<T>(*other)) {}
  Boxed(Boxed&&) noexcept = default;
  Boxed& operator=(const Boxed& other) {
    if (this != &other) value_ = std::make_unique<T>(*other);
    return *this;
  }
  Boxed& operator=(Boxed&&) noexcept = default;
  ~Boxed() = default;

  const T& operator*() const {
    KOVRA_INVARIANT(value_ != nullptr, "a moved-from box read");
    return *value_;
  }
  T& operator*() {
    KOVRA_INVARIANT(value_ != nullptr, "a moved-from box read");
    return *value_;
  }
  const T* operator->() const { return &**this; }
  T* operator->() { return &**this; }

  friend bool operator==(const Boxed& a, const Boxed& b) { return *a == *b; }

 private:
  std::unique_ptr<T> value_;
};

}  // namespace kovra::receipts
