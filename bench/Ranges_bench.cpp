// Insertion into a merging range set: TRanges.AddByEnd against a plain std::map interval set
// (start => end, joining touching intervals) on the same 100,000 random ranges, measured in the
// same run. Prints the time per insertion of both and their ratio, for a sparse case (the set
// grows to nearly one member per range) and a dense one (ranges keep joining).
//   ranges_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

#include "lib/ranges/uRanges.h"

namespace {

using TClock = std::chrono::steady_clock;
using TSpan = std::pair<int64_t, int64_t>;

constexpr int kInsertions = 100'000;

std::vector<TSpan> RandomSpans(int64_t space, uint64_t seed) {
  std::vector<TSpan> spans;
  uint64_t state = seed;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int i = 0; i < kInsertions; ++i) {
    const auto start = static_cast<int64_t>(next() % static_cast<uint64_t>(space));
    const auto length = static_cast<int64_t>(1 + next() % 1000);
    spans.emplace_back(start, start + length - 1);
  }
  return spans;
}

// The baseline: intervals keyed by start, joined on insertion like a merged TRanges.
void MapAdd(std::map<int64_t, int64_t>& set, int64_t start, int64_t end) {
  auto it = set.upper_bound(start);
  if (it != set.begin() && std::prev(it)->second + 1 >= start) --it;
  while (it != set.end() && it->first <= end + 1) {
    start = std::min(start, it->first);
    end = std::max(end, it->second);
    it = set.erase(it);
  }
  set.emplace_hint(it, start, end);
}

struct TResult {
  double Seconds;
  size_t Count;
  int64_t Total;
};

TResult TimeRanges(const std::vector<TSpan>& spans) {
  const auto start = TClock::now();
  TRanges set;
  for (const auto& [first, last] : spans) set.AddByEnd(first, last);
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  return {seconds, static_cast<size_t>(set.Count()), set.TotalLength()};
}

TResult TimeMap(const std::vector<TSpan>& spans) {
  const auto start = TClock::now();
  std::map<int64_t, int64_t> set;
  for (const auto& [first, last] : spans) MapAdd(set, first, last);
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  int64_t total = 0;
  for (const auto& [first, last] : set) total += last - first + 1;
  return {seconds, set.size(), total};
}

void Measure(const char* name, int64_t space, int rounds) {
  const std::vector<TSpan> spans =
      RandomSpans(space, 0x9E3779B97F4A7C15ULL ^ static_cast<uint64_t>(space));
  // Alternating order from round to round; the best round of each is reported.
  double bestRanges = 1e30, bestMap = 1e30;
  TResult ranges{}, map{};
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      ranges = TimeRanges(spans);
      map = TimeMap(spans);
    } else {
      map = TimeMap(spans);
      ranges = TimeRanges(spans);
    }
    bestRanges = std::min(bestRanges, ranges.Seconds);
    bestMap = std::min(bestMap, map.Seconds);
  }
  const double perRanges = bestRanges / kInsertions * 1e9;
  const double perMap = bestMap / kInsertions * 1e9;
  std::printf("%s: %d ranges in 0..%lld, %zu members at the end%s\n", name, kInsertions,
              static_cast<long long>(space), ranges.Count,
              ranges.Count == map.Count && ranges.Total == map.Total ? "" : " (THE SETS DIFFER)");
  std::printf("  TRanges.AddByEnd:  %8.1f ns per insertion\n", perRanges);
  std::printf("  std::map interval: %8.1f ns per insertion\n", perMap);
  std::printf("  ratio %.2f (best of %d rounds)\n", perRanges / perMap, rounds);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  Measure("sparse", 1'000'000'000, rounds);
  Measure("dense", 10'000'000, rounds);
  return 0;
}
