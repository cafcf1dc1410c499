#include "heap_counter.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace bench_heap {

bool Counting = false;
size_t Bytes = 0, Peak = 0;

namespace {

void FreeCounted(void* block) {
  if (block && Counting) Bytes -= malloc_usable_size(block);
  std::free(block);
}

}  // namespace
}  // namespace bench_heap

void* operator new(size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  if (bench_heap::Counting) {
    bench_heap::Bytes += malloc_usable_size(block);
    if (bench_heap::Bytes > bench_heap::Peak) bench_heap::Peak = bench_heap::Bytes;
  }
  return block;
}
void operator delete(void* block) noexcept { bench_heap::FreeCounted(block); }
void operator delete(void* block, size_t) noexcept { bench_heap::FreeCounted(block); }
