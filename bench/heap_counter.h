// Heap bytes held while counting is on, and their peak, through a global
// operator new and delete (heap_counter.cpp, linked into the benchmarks
// that count). Counting is switched on only around one measured call, so
// that the timed loops run at full speed.
#pragma once
#include <cstddef>

namespace bench_heap {

extern bool Counting;
extern size_t Bytes;  // held now (what was taken less what was given back)
extern size_t Peak;   // the most held at once

// Runs `make` with the counters started from zero; its result is kept
// until the caller drops it, after counting has stopped.
template <class Make>
auto Measure(Make make) {
  Bytes = Peak = 0;
  Counting = true;
  auto made = make();
  Counting = false;
  return made;
}

}  // namespace bench_heap
