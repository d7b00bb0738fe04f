// The two-call spooler answer: counts and pointers are read only within the buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "pchelpers/SpoolerAnswer.h"

namespace {

// An enumeration that says it returned `claimed` records of which only two
// fit its answer, the second pointing at a text without terminator.
struct LyingEnumeration {
  DWORD claimed;
  int calls = 0;
  BOOL operator()(LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    ++calls;
    *needed = 2 * sizeof(MONITOR_INFO_1A) + 4;
    if (!buffer || size < *needed) return FALSE;
    auto* records = reinterpret_cast<MONITOR_INFO_1A*>(buffer);
    char* text = reinterpret_cast<char*>(buffer + 2 * sizeof(MONITOR_INFO_1A));
    std::memcpy(text, "ABCD", 4);  // no terminator: the answer ends here
    records[0].pName = text + 2;
    records[1].pName = text;
    *returned = claimed;
    return TRUE;
  }
};

TEST(SpoolerAnswer, TheCountAndTheTextsStayWithinTheAnswer) {
  LyingEnumeration enumeration{1000};
  SpoolerAnswer answer;
  ASSERT_TRUE(answer.fetch(std::ref(enumeration), sizeof(MONITOR_INFO_1A)));
  EXPECT_EQ(enumeration.calls, 2);
  EXPECT_EQ(answer.count(), 2u) << "1000 claimed, 2 fit";
  EXPECT_EQ(answer.text(answer.record<MONITOR_INFO_1A>(0).pName), "CD");
  EXPECT_EQ(answer.text(answer.record<MONITOR_INFO_1A>(1).pName), "ABCD");
  char outside[] = "elsewhere";
  EXPECT_EQ(answer.text(outside), "") << "a pointer outside the answer";
  EXPECT_EQ(answer.text(nullptr), "");
  EXPECT_EQ(answer.bytesFrom(answer.record<MONITOR_INFO_1A>(1).pName), 4u);
  EXPECT_EQ(answer.bytesFrom(outside), 0u);
}

TEST(SpoolerAnswer, AFailedFillOrNothingToAnswerGivesNoRecords) {
  SpoolerAnswer failed;
  EXPECT_FALSE(failed.fetch(
      [](LPBYTE, DWORD, LPDWORD needed, LPDWORD) {
        *needed = 64;
        return FALSE;
      },
      sizeof(MONITOR_INFO_1A)));
  EXPECT_EQ(failed.count(), 0u);

  SpoolerAnswer empty;
  int calls = 0;
  EXPECT_TRUE(empty.fetch(
      [&](LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
        ++calls;
        *needed = 0;
        *returned = 5;
        return TRUE;
      },
      sizeof(MONITOR_INFO_1A)));
  EXPECT_EQ(empty.count(), 0u);
  EXPECT_EQ(calls, 1) << "a byte count of 0 needs no second call";
}

}  // namespace
