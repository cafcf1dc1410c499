// Instruction counts of benchmark cases under callgrind. Wall times swing
// with the load of the machine; the number of instructions does not. With
// the option --instructions a benchmark program runs each case a fixed
// number of times between two callgrind client requests, and
// bench/callgrind turns the dumps into instructions per run.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(name) ((void)(name))
#endif

namespace bench_instructions {

// True when the program was started with --instructions (removed from argv).
inline bool Requested(int& argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--instructions") == 0) {
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      return true;
    }
  return false;
}

// Counts `runs` calls of `body` as one dump named "<name>|<runs>" after a
// warm-up call. `prepare` runs before the count starts and `body` gets the
// run's index, so that what a run needs can be made beforehand.
// BENCH_ONLY=TEXT in the environment counts only the cases whose names
// contain TEXT (a profile of one case).
template <class Prepare, class Body>
void Count(const std::string& name, int runs, Prepare prepare, Body body) {
  const char* only = std::getenv("BENCH_ONLY");
  if (only && name.find(only) == std::string::npos) return;
  prepare();
  body(0);
  prepare();
  CALLGRIND_ZERO_STATS;
  for (int i = 0; i < runs; ++i) body(i);
  const std::string dump = name + "|" + std::to_string(runs);
  CALLGRIND_DUMP_STATS_AT(dump.c_str());
  std::printf("counted %s\n", dump.c_str());
}

template <class Body>
void Count(const std::string& name, int runs, Body body) {
  Count(name, runs, [] {}, body);
}

// The main function of a benchmark program: with --instructions `count`
// runs the counted cases, otherwise `registerTimed` (when given) registers
// the timed cases and the registered benchmarks run.
template <class CountCases>
int Main(int argc, char** argv, CountCases count, void (*registerTimed)() = nullptr) {
  if (Requested(argc, argv)) {
    count();
    return 0;
  }
  if (registerTimed) registerTimed();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench_instructions
