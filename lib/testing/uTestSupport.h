// Helpers shared by the tests.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "lib/platform/uPlatformText.h"
#include "lib/system/uMisc.h"

// Collects the alerts raised while it lives (from any thread) instead of failing the test.
// Without one, an alert inside a test is reported as a test failure by the test main.
class TAlertCapture {
 public:
  TAlertCapture();
  ~TAlertCapture();
  TAlertCapture(const TAlertCapture&) = delete;
  TAlertCapture& operator=(const TAlertCapture&) = delete;

  std::vector<std::u16string> Messages() const;
  size_t Count() const;

 private:
  mutable std::mutex FLock;
  std::vector<std::u16string> FMessages;  // guarded by FLock
  TProblemReporter FPrevious;
};

// Installs the reporter that turns an unexpected alert into a test failure.
void TestAlertsFailInstall();

// The seed of a randomized test: VARDENO_TEST_SEED when set (to repeat a run), else a fresh
// one. Prints it, so a failing run can be repeated.
uint64_t TestSeed();

// A deterministic pseudo-random generator for test data (xorshift64*).
class TTestRandom {
 public:
  explicit TTestRandom(uint64_t seed) : FState(seed ? seed : 0x9E3779B97F4A7C15ULL) {}
  uint64_t Next() {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    return FState * 0x2545F4914F6CDD1DULL;
  }
  uint64_t Below(uint64_t bound) { return bound == 0 ? 0 : Next() % bound; }

 private:
  uint64_t FState;
};

// Bytes of a mixed kind: runs of text-like data, repeats and noise, so that compressed forms
// exercise literals, matches and uncompressed chunks alike.
std::vector<uint8_t> TestMixedBytes(size_t size, uint64_t seed);
