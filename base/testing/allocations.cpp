#include "base/testing/allocations.h"

#include <cstdlib>
#include <new>

namespace kovra::base::testing {
namespace {

bool counting = false;
size_t large_size = 0;
Allocations counted;

void* allocate(size_t size) {
  if (counting) {
    counted.bytes += size;
    if (size >= large_size) ++counted.large_blocks;
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void start_counting_allocations(size_t large) {
  counted = {};
  large_size = large;
  counting = true;
}

Allocations stop_counting_allocations() {
  counting = false;
  return counted;
}

}  // namespace kovra::base::testing

void* operator new(size_t size) { return kovra::base::testing::allocate(size); }
void* operator new[](size_t size) { return kovra::base::testing::allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return kovra::base::testing::allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
