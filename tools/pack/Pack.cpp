// vardeno-pack: turns an install script and a payload folder into the installer's resources:
// the script itself ("INSTALLSCRIPT") and one compressed container per entry ("F0", "F1", ...
// in script order), written as files plus a resource script for windres and a resource table
// that can be appended to an executable.
//   vardeno-pack SCRIPT PAYLOAD_FOLDER OUTPUT_FOLDER
#include <lzma.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "compress/LZMAContainer.h"
#include "lib/platform/uResourceTable.h"
#include "tools/pack/PackScript.h"

namespace fs = std::filesystem;

namespace {

std::optional<std::vector<uint8_t>> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The container of one file (compress/LZMAContainer.h): normal mode, 32 MiB dictionary, 64 fast
// bytes, binary-tree match finder.
std::optional<std::vector<uint8_t>> Compress(const std::vector<uint8_t>& bytes, std::string& error) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  options.dict_size = 32u << 20;
  options.mode = LZMA_MODE_NORMAL;
  options.nice_len = 64;
  options.mf = LZMA_MF_BT4;
  std::vector<uint8_t> container;
  if (!ContainerEncode(bytes, options, container, error)) return std::nullopt;
  return container;
}

std::string RcQuoted(const fs::path& path) {
  std::string text = path.generic_string();
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s SCRIPT PAYLOAD_FOLDER OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path scriptPath = argv[1], payload = argv[2], out = argv[3];
  const auto scriptBytes = ReadFile(scriptPath);
  if (!scriptBytes) {
    std::fprintf(stderr, "%s: cannot read the install script\n", scriptPath.string().c_str());
    return 1;
  }
  std::vector<TPackEntry> entries;
  std::string problem;
  if (!PackScriptParse(*scriptBytes, entries, problem)) {
    std::fprintf(stderr, "%s:%s\n", scriptPath.string().c_str(), problem.c_str());
    return 1;
  }
  if (entries.empty()) {
    std::fprintf(stderr, "%s: the script lists no files\n", scriptPath.string().c_str());
    return 1;
  }

  std::error_code ignored;
  fs::create_directories(out, ignored);
  TResourceTable table;
  table.Add("INSTALLSCRIPT", *scriptBytes);
  WriteFile(out / "INSTALLSCRIPT.bin", *scriptBytes);
  std::string rc = "// Made by vardeno-pack from " + scriptPath.filename().string() + "\n";
  rc += "INSTALLSCRIPT RCDATA " + RcQuoted(fs::absolute(out / "INSTALLSCRIPT.bin")) + "\n";

  const auto started = std::chrono::steady_clock::now();
  // Files are compressed on as many threads as the machine has; the results are written in
  // script order.
  struct TResult {
    std::optional<std::vector<uint8_t>> Container;
    size_t InputSize = 0;
    std::string Error;
  };
  std::vector<TResult> results(entries.size());
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i = next++; i < entries.size(); i = next++) {
      const auto bytes = ReadFile(payload / entries[i].HostRelative);
      if (!bytes) {
        results[i].Error = "cannot read " + (payload / entries[i].HostRelative).string();
        continue;
      }
      results[i].InputSize = bytes->size();
      results[i].Container = Compress(*bytes, results[i].Error);
    }
  };
  const unsigned threads = std::max(1u, std::min<unsigned>(std::thread::hardware_concurrency(), 8));
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t) workers.emplace_back(work);
  for (auto& worker : workers) worker.join();

  uint64_t totalIn = 0, totalOut = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPackEntry& entry = entries[i];
    if (!results[i].Container) {
      std::fprintf(stderr, "%s:%d: \"%s\": %s\n", scriptPath.string().c_str(), entry.Line,
                   entry.Text.c_str(), results[i].Error.c_str());
      return 1;
    }
    const std::vector<uint8_t>& container = *results[i].Container;
    const std::string name = "F" + std::to_string(i);
    const fs::path file = out / (name + ".lzma");
    if (!WriteFile(file, container)) {
      std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
      return 1;
    }
    table.Add(name, container);
    rc += name + " RCDATA " + RcQuoted(fs::absolute(file)) + "\n";
    totalIn += results[i].InputSize;
    totalOut += container.size();
    std::printf("%-5s %10zu -> %10zu  %s\n", name.c_str(), results[i].InputSize, container.size(),
                entry.Text.c_str());
  }
  std::ofstream(out / "resources.rc", std::ios::trunc) << rc;
  if (!WriteFile(out / "resources.table", table.Bytes())) {
    std::fprintf(stderr, "cannot write the resource table\n");
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("packed %zu files: %llu -> %llu bytes (%.1f %%) in %.2f s\n", entries.size(),
              static_cast<unsigned long long>(totalIn), static_cast<unsigned long long>(totalOut),
              totalIn ? 100.0 * static_cast<double>(totalOut) / static_cast<double>(totalIn) : 0.0, seconds);
  return 0;
}
