// The file stream over the platform layer.
#include "lib/values/uFileStream.h"

#include <gtest/gtest.h>

#include "lib/platform/uPlatformSim.h"

namespace {

TEST(FileStream, WritesAndReadsBackThroughThePlatform) {
  TPlatformScope<TSimPlatform> sim;
  {
    TFileStream out(u"C:\\data.bin", TFileStream::TMode::Create);
    out.Write("0123456789", 10);
    EXPECT_EQ(out.Size(), 10);
  }
  TFileStream in(u"c:\\DATA.bin", TFileStream::TMode::OpenRead);
  EXPECT_EQ(in.Size(), 10);
  in.SetPosition(4);
  char buffer[8] = {};
  EXPECT_EQ(in.Read(buffer, 8), 6);
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_EQ(in.Read(buffer, 8), 0);
  EXPECT_EQ(in.Position(), 10);
  // Readers share reading; a writer that wants the file alone must wait.
  TFileStream second(u"C:\\data.bin", TFileStream::TMode::OpenRead);
  EXPECT_THROW(TFileStream(u"C:\\data.bin", TFileStream::TMode::Create), EFCreateError);
}

TEST(FileStream, RefusalsRaiseTheirErrors) {
  TPlatformScope<TSimPlatform> sim;
  try {
    TFileStream missing(u"C:\\missing.bin", TFileStream::TMode::OpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), u"Cannot open file \"C:\\missing.bin\". Windows error 2");
  }
  EXPECT_THROW(TFileStream(u"C:\\no\\such\\folder.bin", TFileStream::TMode::Create), EFCreateError);
}

}  // namespace
