// Extraction of the packed sample payload by TForm1.ExtractPayload on a Sim (resources in
// memory, files written through the Sim's file system) against the floor measured in the same
// run: liblzma's raw decoder on the same streams plus writing the same bytes with
// std::ofstream. Prints MB/s for both and the ratio.
//   extraction_bench [rounds]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "compress/LZMADecompress.h"
#include "compress/LZMATestContainers.h"
#include "installer/uMain.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/values/uMiscLean.h"

namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<uint8_t>;
using TClock = std::chrono::steady_clock;

TBytes ReadHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    std::exit(1);
  }
  return TBytes(std::istreambuf_iterator<char>(in), {});
}

// The floor for one entry: liblzma's raw decoder into a buffer sized from the header, then one
// write of the whole file.
size_t DecodeAndWritePlain(const TBytes& container, const fs::path& target) {
  std::unique_ptr<uint8_t[]> out;
  const size_t size = TestContainerDecodePlain(container, out);
  fs::create_directories(target.parent_path());
  std::ofstream file(target, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.get()), static_cast<std::streamsize>(size));
  if (!file) std::abort();
  return size;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path packed = fs::path(VARDENO_SAMPLE_DIR) / "packed";
  TPlatformScope<TSimPlatform> sim;
  sim->Resources().AddResource(u"INSTALLSCRIPT", ReadHostFile(packed / "INSTALLSCRIPT.bin"));
  TForm1 form;
  form.LoadInstallScript();
  std::vector<TBytes> containers;
  std::vector<fs::path> plainTargets;
  const fs::path plainFolder = sim->Files().HostPath(u"C:\\Plain");
  size_t totalCompressed = 0;
  for (int i = 0; i < form.FilesList.Count(); ++i) {
    const std::string name = "F" + std::to_string(i);
    containers.push_back(ReadHostFile(packed / (name + ".lzma")));
    sim->Resources().AddResource(TextFromUtf8(name), containers.back());
    totalCompressed += containers.back().size();
    std::string relative = TextToUtf8(VariantAsText(form.FilesList.GetValueByIndex(i)));
    std::replace(relative.begin(), relative.end(), '\\', '/');
    plainTargets.push_back(plainFolder / relative);
  }

  // Within a round both extract everything, in an order that alternates from round to round;
  // the median of the rounds' ratios is reported.
  size_t totalBytes = 0;
  double bestPlain = 1e30, bestForm = 1e30;
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    double plain = 0, layered = 0;
    for (int half = 0; half < 2; ++half) {
      const auto start = TClock::now();
      if ((half == 0) == (round % 2 == 0)) {
        totalBytes = 0;
        for (size_t i = 0; i < containers.size(); ++i) {
          totalBytes += DecodeAndWritePlain(containers[i], plainTargets[i]);
        }
        plain = std::chrono::duration<double>(TClock::now() - start).count();
      } else {
        if (!form.ExtractPayload(u"C:\\Program Files\\Vardeno")) {
          std::fprintf(stderr, "extraction failed\n");
          return 1;
        }
        layered = std::chrono::duration<double>(TClock::now() - start).count();
      }
    }
    bestPlain = std::min(bestPlain, plain);
    bestForm = std::min(bestForm, layered);
    ratios.push_back(layered / plain);
  }
  std::sort(ratios.begin(), ratios.end());
  const double ratio = ratios[ratios.size() / 2];
  std::printf("sample payload: %d files, %.2f MB from %.2f MB of containers, %d rounds\n",
              form.FilesList.Count(), totalBytes / 1e6, totalCompressed / 1e6, rounds);
  std::printf("floor (liblzma raw decoder + std::ofstream): %7.1f MB/s (best round)\n",
              totalBytes / 1e6 / bestPlain);
  std::printf("TForm1.ExtractPayload on the Sim:            %7.1f MB/s (best round)\n",
              totalBytes / 1e6 / bestForm);
  std::printf("extraction against the floor: ratio %.3f (%+.1f %%), median of %d rounds\n", ratio,
              (ratio - 1) * 100, rounds);
  return 0;
}
