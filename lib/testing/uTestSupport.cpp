// Helpers shared by the tests.
#include "lib/testing/uTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

TAlertCapture::TAlertCapture() {
  FPrevious = ProblemReporterSet([this](std::u16string_view, std::u16string_view message) {
    std::lock_guard guard(FLock);
    FMessages.emplace_back(message);
  });
}

TAlertCapture::~TAlertCapture() { ProblemReporterSet(std::move(FPrevious)); }

std::vector<std::u16string> TAlertCapture::Messages() const {
  std::lock_guard guard(FLock);
  return FMessages;
}

size_t TAlertCapture::Count() const {
  std::lock_guard guard(FLock);
  return FMessages.size();
}

void TestAlertsFailInstall() {
  ProblemReporterSet([](std::u16string_view type, std::u16string_view message) {
    ADD_FAILURE() << "unexpected " << TextToUtf8(type) << ": \"" << TextToUtf8(message) << "\"";
  });
}

std::vector<uint8_t> TestMixedBytes(size_t size, uint64_t seed) {
  static constexpr char kWords[] =
      "the file protection driver keeps every volume safe while the installer moves files ";
  TTestRandom random(seed);
  std::vector<uint8_t> bytes;
  bytes.reserve(size);
  while (bytes.size() < size) {
    const size_t run = 1 + random.Below(4096);
    switch (random.Below(3)) {
      case 0:  // text
        for (size_t i = 0; i < run; ++i) bytes.push_back(static_cast<uint8_t>(kWords[(i * 7 + random.Below(3)) % (sizeof(kWords) - 1)]));
        break;
      case 1:  // a repeat of earlier bytes
        if (!bytes.empty()) {
          const size_t from = random.Below(bytes.size());
          for (size_t i = 0; i < run; ++i) bytes.push_back(bytes[from + i % (bytes.size() - from)]);
        }
        break;
      default:  // noise
        for (size_t i = 0; i < run; ++i) bytes.push_back(static_cast<uint8_t>(random.Next() >> 56));
        break;
    }
  }
  bytes.resize(size);
  return bytes;
}

uint64_t TestSeed() {
  uint64_t seed = 0;
  if (const char* text = std::getenv("VARDENO_TEST_SEED")) {
    seed = std::strtoull(text, nullptr, 10);
  } else {
    std::random_device device;
    seed = (uint64_t{device()} << 32) ^ device();
  }
  std::printf("[seed] %llu (set VARDENO_TEST_SEED to repeat)\n", static_cast<unsigned long long>(seed));
  return seed;
}
