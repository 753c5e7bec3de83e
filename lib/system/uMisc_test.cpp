// Alerts and stop checks.
#include "lib/system/uMisc.h"

#include <gtest/gtest.h>

#include <thread>

#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"

namespace {

TEST(Checks, AlertsReportAndGoOn) {
  struct TCase {
    const char* Title;
    void (*Call)();
    std::vector<std::u16string> Reported;
  };
  const TCase cases[] = {
      {"Alert", [] { Alert(u"disk full"); }, {u"disk full"}},
      {"AlertIf true", [] { AlertIf(true, u"x"); }, {u"x"}},
      {"AlertIf false", [] { AlertIf(false, u"x"); }, {}},
      {"AlertIfUsed", [] { AlertIfUsed(); }, {u"Should not be used"}},
      {"Verify true", [] { EXPECT_TRUE(Verify(true)); }, {}},
      {"Verify false", [] { EXPECT_FALSE(Verify(false)); }, {u""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    TAlertCapture alerts;
    c.Call();
    EXPECT_EQ(alerts.Messages(), c.Reported);
  }
}

TEST(Checks, StopIfRaisesEDebugStopWithErrorPrefix) {
  TPlatformScope<TSimPlatform> sim;
  EXPECT_NO_THROW(StopIf(false, u"x"));
  EXPECT_TRUE(StopIfNot(true, u"x"));
  try {
    StopIf(true, u"x");
    FAIL() << "no exception";
  } catch (const EDebugStop& e) {
    EXPECT_EQ(e.Message(), u"Error: x");
    EXPECT_STREQ(e.what(), "Error: x");
  }
  try {
    StopIfNot(false, u"Übergröße");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Error: Übergröße");
    EXPECT_STREQ(e.what(), "Error: \xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e");
  }
  // The text goes to the debugger output even without a debugger.
  EXPECT_EQ(sim->Process().DebugOutput(), (std::vector<std::u16string>{u"Error: x", u"Error: Übergröße"}));
  EXPECT_EQ(sim->Process().DebugBreaks(), 0u);
}

TEST(Checks, UnderADebuggerAlertsWarnAndBreak) {
  TPlatformScope<TSimPlatform> sim;
  TAlertCapture alerts;
  Alert(u"quiet");
  EXPECT_TRUE(sim->Process().DebugOutput().empty());

  sim->Process().SetDebuggerPresent(true);
  EXPECT_TRUE(IsRunningUnderDebugger());
  Alert(u"loud");
  EXPECT_THROW(StopIf(true, u"stop"), EDebugStop);
  EXPECT_EQ(sim->Process().DebugOutput(), (std::vector<std::u16string>{u"Warning: loud", u"Error: stop"}));
  EXPECT_EQ(sim->Process().DebugBreaks(), 2u);
  EXPECT_EQ(alerts.Count(), 2u);
}

TEST(Checks, AlertsFromManyThreadsAllArriveAndAThrowingReporterIsContained) {
  TAlertCapture alerts;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 250; ++i) Alert(u"from a worker");
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(alerts.Count(), 1000u);

  TProblemReporter previous =
      ProblemReporterSet([](std::u16string_view, std::u16string_view) { throw std::runtime_error("receiver failed"); });
  EXPECT_NO_THROW(Alert(u"x"));
  ProblemReporterSet(std::move(previous));
}

TEST(Flags, CountAndTests) {
  struct TCase {
    uint64_t Flags;
    uint64_t Mask;
    int Count;      // FlagsCount(Flags)
    bool Has;       // FlagsHas(Flags, Mask)
    bool HasAny;    // FlagsHasAny(Flags, Mask)
    size_t Alerts;  // of both tests together
  };
  const TCase cases[] = {
      {0b0110, 0b0010, 2, true, true, 0},
      {0b0110, 0b0001, 2, false, false, 0},
      {0, 0, 0, false, false, 1},          // HasAny wants a bit
      {0b0110, 0b0011, 2, true, true, 1},  // Has wants at most one: alerts, answers
      {0b0110, 0b1001, 2, false, false, 1},
      {uint64_t{1} << 63, uint64_t{1} << 63, 1, true, true, 0},
      {~uint64_t{0}, uint64_t{1} << 40, 64, true, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.Flags << " " << c.Mask);
    TAlertCapture alerts;
    EXPECT_EQ(FlagsCount(c.Flags), c.Count);
    EXPECT_EQ(FlagsHas(c.Flags, c.Mask), c.Has);
    EXPECT_EQ(FlagsHasAny(c.Flags, c.Mask), c.HasAny);
    EXPECT_EQ(alerts.Count(), c.Alerts);
  }
}

TEST(Flags, AddAndRemove) {
  struct TCase {
    uint64_t Flags;
    uint64_t Mask;
    uint64_t Added;
    uint64_t Removed;
    size_t Alerts;  // of one removal
  };
  const TCase cases[] = {
      {0b0100, 0b0011, 0b0111, 0b0100, 1},
      {0b0110, 0b0010, 0b0110, 0b0100, 0},
      // A flag that is not set stays clear: removing never sets a bit.
      {0b0100, 0b0010, 0b0110, 0b0100, 0},
      // Of a flag of two bits only one is set: both end clear, the other is not set.
      {0b0100, 0b0110, 0b0110, 0b0000, 1},
      {0b0101, 0, 0b0101, 0b0101, 0},
      {~uint64_t{0}, uint64_t{1} << 63, ~uint64_t{0}, ~uint64_t{0} >> 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.Flags << " " << c.Mask);
    EXPECT_EQ(FlagsAdded(c.Flags, c.Mask), c.Added);
    uint64_t added = c.Flags;
    FlagsAdd(added, c.Mask);
    EXPECT_EQ(added, c.Added);

    TAlertCapture alerts;
    EXPECT_EQ(FlagsRemoved(c.Flags, c.Mask), c.Removed);
    uint64_t removed = c.Flags;
    FlagsRemove(removed, c.Mask);
    EXPECT_EQ(removed, c.Removed);
    uint32_t removed32 = static_cast<uint32_t>(c.Flags);
    FlagsRemove32(removed32, c.Mask);
    EXPECT_EQ(removed32, static_cast<uint32_t>(c.Removed));
    EXPECT_EQ(alerts.Count(), 3 * c.Alerts);
  }
}

TEST(Flags, Remove32LeavesTheWordAloneForAFlagAboveBit31) {
  uint32_t flags = 0xFFFFFFFF;
  FlagsRemove32(flags, uint64_t{1} << 32);
  EXPECT_EQ(flags, 0xFFFFFFFFu);
  FlagsRemove32(flags, uint64_t{1} << 31);
  EXPECT_EQ(flags, 0x7FFFFFFFu);
}

}  // namespace
