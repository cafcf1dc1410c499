// A library that the module tests load by path: two functions to look up by
// name and a value that tells one copy of it from the program.
#ifdef _WIN32
#define PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
int g_calls = 0;
}

PROBE_EXPORT int ZefProbeTwiceAndOne(int value) {
  ++g_calls;
  return value * 2 + 1;
}

PROBE_EXPORT int ZefProbeCalls() { return g_calls; }
