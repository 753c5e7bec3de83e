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

}  // namespace
