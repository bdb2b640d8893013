#include "bench/heap_counter.h"

#include <cstdlib>
#include <new>

namespace {

std::size_t requested = 0;
bool counting = false;

}  // namespace

// Kept apart from the code it measures, so the compiler never pairs an
// inlined new with this delete.
void* operator new(std::size_t size) {
  if (counting) requested += size;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace kestrune::bench {

HeapCounter::HeapCounter() {
  requested = 0;
  counting = true;
}
HeapCounter::~HeapCounter() {
  counting = false;
}
std::size_t HeapCounter::bytes() const {
  return requested;
}

}  // namespace kestrune::bench
