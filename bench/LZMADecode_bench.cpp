// Decoding throughput of TLZMAStream.Decompress against a plain liblzma raw-decoder loop on the
// same containers, measured in the same run. Prints MB/s for both and the container layer's
// cost as a ratio.
//   lzma_decode_bench [rounds]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "compress/LZMADecompress.h"
#include "compress/LZMAStream.h"
#include "compress/LZMATestContainers.h"

namespace {

using TBytes = std::vector<uint8_t>;
using TClock = std::chrono::steady_clock;

// A few MB of mixed data: text-like, binary with repeats, and incompressible noise.
std::vector<TBytes> MakeFiles() {
  std::vector<TBytes> files;
  uint64_t state = 0x1234567;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  const char* words[] = {"protect ", "volume ", "driver ", "install ", "file ", "Vardeno ", "\r\n"};
  TBytes text;
  while (text.size() < 2'500'000) {
    const char* w = words[next() % 7];
    text.insert(text.end(), w, w + std::strlen(w));
  }
  files.push_back(std::move(text));
  TBytes binary(2'000'000);
  for (size_t i = 0; i < binary.size(); ++i) {
    binary[i] = i >= 4096 && next() % 4 != 0 ? binary[i - 4096 + next() % 64] : static_cast<uint8_t>(next());
  }
  files.push_back(std::move(binary));
  TBytes noise(1'500'000);
  for (auto& b : noise) b = static_cast<uint8_t>(next());
  files.push_back(std::move(noise));
  for (int i = 0; i < 6; ++i) files.push_back(TBytes(files[0].begin(), files[0].begin() + 1150 + i * 40000));
  return files;
}

// The floor: liblzma's raw decoder into a buffer sized from the header.
size_t DecodePlain(const TBytes& container) {
  std::unique_ptr<uint8_t[]> out;
  return TestContainerDecodePlain(container, out);
}

size_t DecodeContainer(TMemoryStream& compressed) {
  compressed.SetPosition(0);
  TLZMAStream stream;
  stream.Compressed = &compressed;
  stream.Decompress();
  return static_cast<size_t>(stream.Decompressed->Size());
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::vector<TBytes> files = MakeFiles();
  std::vector<TBytes> containers;
  std::vector<std::unique_ptr<TMemoryStream>> streams;
  size_t totalBytes = 0, totalCompressed = 0;
  for (const auto& file : files) {
    containers.push_back(TestContainer(file));
    auto stream = std::make_unique<TMemoryStream>();
    stream->Write(containers.back().data(), static_cast<int32_t>(containers.back().size()));
    streams.push_back(std::move(stream));
    totalBytes += file.size();
    totalCompressed += containers.back().size();
  }
  std::printf("containers: %zu, %.2f MB decoded from %.2f MB, %d rounds\n", containers.size(),
              totalBytes / 1e6, totalCompressed / 1e6, rounds);

  // Within a round both decode everything, in an order that alternates from round to round,
  // so that both see the same machine state; the median of the rounds' ratios is reported.
  double bestPlain = 1e30, bestContainer = 1e30;
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    double plain = 0, layered = 0;
    size_t plainBytes = 0, containerBytes = 0;
    for (int half = 0; half < 2; ++half) {
      const auto start = TClock::now();
      if ((half == 0) == (round % 2 == 0)) {
        for (const auto& container : containers) plainBytes += DecodePlain(container);
        plain = std::chrono::duration<double>(TClock::now() - start).count();
      } else {
        for (auto& stream : streams) containerBytes += DecodeContainer(*stream);
        layered = std::chrono::duration<double>(TClock::now() - start).count();
      }
    }
    if (plainBytes != totalBytes || containerBytes != totalBytes) {
      std::fprintf(stderr, "decoded sizes differ\n");
      return 1;
    }
    bestPlain = std::min(bestPlain, plain);
    bestContainer = std::min(bestContainer, layered);
    ratios.push_back(layered / plain);
  }
  std::sort(ratios.begin(), ratios.end());
  const double ratio = ratios[ratios.size() / 2];
  std::printf("liblzma raw decoder:    %7.1f MB/s (best round)\n", totalBytes / 1e6 / bestPlain);
  std::printf("TLZMAStream.Decompress: %7.1f MB/s (best round)\n", totalBytes / 1e6 / bestContainer);
  std::printf("container layer cost: ratio %.3f (%+.1f %%), median of %d rounds\n", ratio,
              (ratio - 1) * 100, rounds);
  return 0;
}
