#include "nox/archive/WinTarget.h"

#include <gtest/gtest.h>

namespace {

using namespace nox::archive;

// GetVersion() of Windows 95 and 98 has the top bit set; NT 4, XP and 7 do not.
TEST(WinTarget, ReadersAskForDeleteSharingOnNtOnly) {
  const DWORD shared = FILE_SHARE_READ | FILE_SHARE_WRITE;
  EXPECT_EQ(readSharing(0xC3B60004u), shared) << "Windows 95";
  EXPECT_EQ(readSharing(0xC0000A04u), shared) << "Windows 98";
  EXPECT_EQ(readSharing(0x05650004u), shared | FILE_SHARE_DELETE) << "NT 4";
  EXPECT_EQ(readSharing(0x0A280105u), shared | FILE_SHARE_DELETE) << "XP";
  EXPECT_EQ(readSharing(0x1DB10106u), shared | FILE_SHARE_DELETE) << "7";
}

// The running program reads itself while it runs (the self-extractor does).
TEST(WinTarget, OpensAFileItsOwnProcessHoldsOpen) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  HandleSource source;
  ASSERT_TRUE(source.open(self));
  EXPECT_GT(source.size(), 0u);
  unsigned char mz[2] = {};
  ASSERT_TRUE(source.readAt(0, mz, 2));
  EXPECT_EQ(mz[0], 'M');
  EXPECT_EQ(mz[1], 'Z');
}

}  // namespace
