// The main of every test binary: names the platform the tests run on and makes an alert that
// no test expected a failure of the running test.
#include <gtest/gtest.h>

#include <cstdio>

#include "lib/platform/uPlatform.h"
#include "lib/platform/uPlatformText.h"
#include "lib/testing/uTestSupport.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
#if defined(_WIN64)
  const char* build = "Windows x86_64";
#elif defined(_WIN32)
  const char* build = "Windows i686";
#else
  const char* build = "Linux";
#endif
  // Not while ctest lists the tests: it parses this output.
  if (!GTEST_FLAG_GET(list_tests)) {
    std::printf("[platform] %s build, %s backend\n", build,
                TextToUtf8(PlatformDefault().Name()).c_str());
  }
  TestAlertsFailInstall();
  return RUN_ALL_TESTS();
}
