// A small fixed pseudo-random sequence for the generators of benchmark
// plugins and load orders, so that every run writes the same files and
// times the same work. A 64-bit linear congruential step (Knuth's MMIX
// constants) whose upper 31 bits are the value: from the default seed the
// state becomes 0x2ceaee21bf46bc00 and the first next() is 0x16757710.
#ifndef QUENDREL_TOOLS_FIXED_RANDOM_H_
#define QUENDREL_TOOLS_FIXED_RANDOM_H_

#include <cstddef>
#include <cstdint>
#include <string>

struct FixedRandom {
  uint64_t state;
  explicit FixedRandom(uint64_t seed = 0x9e3779b97f4a7c15ULL) : state(seed) {}
  uint32_t next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state >> 33);
  }
  // 0 .. n - 1, for n > 0.
  int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint32_t>(n)); }
  float between(float low, float high) {
    return low + (high - low) * static_cast<float>(next() % 1000000u) / 1000000.0f;
  }
  // n bytes of noise, e.g. the body of a LAND or path-grid subrecord.
  std::string bytes(std::size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(next() & 0xff);
    return s;
  }
};

#endif  // QUENDREL_TOOLS_FIXED_RANDOM_H_
