#pragma once

#include <cstddef>

namespace kestrune::bench {

// Counts the bytes requested from operator new while it lives. Linking
// heap_counter.cpp replaces the program's operator new; not reentrant.
class HeapCounter {
 public:
  HeapCounter();
  ~HeapCounter();
  HeapCounter(const HeapCounter&) = delete;
  HeapCounter& operator=(const HeapCounter&) = delete;
  std::size_t bytes() const;
};

}  // namespace kestrune::bench
