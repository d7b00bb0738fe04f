#include "nox/String.h"

#include <gtest/gtest.h>

#include "nox/testing/OutOfMemory.h"

#include <cstdlib>
#include <string>

#include "nox/Error.h"
#include "nox/Memory.h"

namespace {

// Code page 932: 0x95 0x5C is one character whose trail byte is a backslash.
const char kSjisWithBackslashTrail[] = "\x95\x5C";

// Uses the active code page when the process already runs with 932 (the
// cp932 CTest run sets a Japanese locale for Wine), else switches to it.
class CodePage932 {
 public:
  CodePage932() {
    if (GetACP() != 932) noxSetCodePage(932);
  }
  ~CodePage932() { noxSetCodePage(0); }
};

TEST(String, DoubleByteActiveCodePage) {
  const char* expected = std::getenv("NOX_EXPECT_ACP");
  if (!expected) GTEST_SKIP() << "only in the run with a Japanese locale";
  EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
  EXPECT_TRUE(noxIsLeadByte(0x95)) << "0x95 leads a double-byte character in code page 932";
  EXPECT_FALSE(noxIsLeadByte('a'));
}

TEST(String, ConstructionAndAssignment) {
  EXPECT_STREQ(String().getData(), "");
  EXPECT_STREQ(String(static_cast<const char*>(nullptr)).getData(), "");

  String s("abc");
  s = static_cast<const char*>(nullptr);
  EXPECT_STREQ(s.getData(), "abc") << "a null text leaves the string unchanged";

  s = s;
  EXPECT_STREQ(s.getData(), "abc");
  s = static_cast<const IString&>(s);
  EXPECT_STREQ(s.getData(), "abc");

  s = 'x';
  EXPECT_STREQ(s.getData(), "x");
  s = '\0';
  EXPECT_EQ(s.length(), 0);

  String copy(s = "deep");
  s = "changed";
  EXPECT_STREQ(copy.getData(), "deep");

  s.empty();
  EXPECT_EQ(s.length(), 0);
  EXPECT_STREQ(s.getData(), "");
}

struct SliceCase {
  const char* text;
  char op;  // l(eft), r(ight), s(ubString)
  unsigned int a, b;
  const char* expected;
};

TEST(String, SlicesNeverClamp) {
  const SliceCase cases[] = {
      {"abc", 'l', 3, 0, "abc"},
      {"abc", 'l', 4, 0, ""},
      {"abc", 'l', 0, 0, ""},
      {"abc", 'r', 2, 0, "bc"},
      {"abc", 'r', 4, 0, ""},
      {"abc", 'r', 3, 0, "abc"},
      {"abcdef", 's', 2, 3, "cde"},
      {"abcdef", 's', 4, 3, ""},
      {"abcdef", 's', 6, 0, ""},
      {"abcdef", 's', 0, 6, "abcdef"},
      {"abcdef", 's', 0xFFFFFFFFu, 2, ""},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const SliceCase& c = cases[i];
    String s(c.text);
    String got = c.op == 'l' ? s.left(c.a) : c.op == 'r' ? s.right(c.a) : s.subString(c.a, c.b);
    EXPECT_STREQ(got.getData(), c.expected)
        << "row " << i << ": " << c.text << " " << c.op << c.a << "," << c.b;
  }
}

TEST(String, FindReportsOffsetsFromTheStart) {
  String s("abcdcd");
  unsigned int pos = 99;
  EXPECT_TRUE(s.find(String("cd"), pos));
  EXPECT_EQ(pos, 2u);
  EXPECT_TRUE(s.find(String("cd"), 3, pos));
  EXPECT_EQ(pos, 4u);

  pos = 77;
  EXPECT_FALSE(s.find(String("xy"), pos));
  EXPECT_EQ(pos, 77u) << "no match leaves pos untouched";
  EXPECT_FALSE(String("abc").find('a', 10, pos));
  EXPECT_EQ(pos, 77u);

  EXPECT_TRUE(s.find(String(""), 3, pos));
  EXPECT_EQ(pos, 3u) << "an empty needle matches at start";

  EXPECT_TRUE(s.find('d', pos));
  EXPECT_EQ(pos, 3u);
  EXPECT_TRUE(s.find('d', 4, pos));
  EXPECT_EQ(pos, 5u);

  EXPECT_TRUE(String("a/b/c").reverseFind('/', pos));
  EXPECT_EQ(pos, 3u);
  EXPECT_FALSE(String("abc").reverseFind('/', pos));
}

TEST(String, DoubleByteTrailBytesNeverMatch) {
  CodePage932 cp;
  std::string text = std::string("a") + kSjisWithBackslashTrail + "b";  // a, one DBCS char, b
  String s(text.c_str());
  unsigned int pos = 99;
  EXPECT_FALSE(s.find('\\', pos));
  EXPECT_FALSE(s.reverseFind('\\', pos));
  EXPECT_FALSE(s.find(String("\\b"), pos));
  EXPECT_EQ(pos, 99u);

  std::string withSlash = text + "\\c";
  String t(withSlash.c_str());
  EXPECT_TRUE(t.reverseFind('\\', pos));
  EXPECT_EQ(pos, 4u);
  EXPECT_TRUE(t.find('\\', pos));
  EXPECT_EQ(pos, 4u);
  EXPECT_TRUE(t.find(String(kSjisWithBackslashTrail), pos));
  EXPECT_EQ(pos, 1u);

  // The trail byte equals 'A' + 0x20 ('a' is 0x61): case folding must not touch it.
  String upper("\x82\x61"), lower("\x82\x41");
  EXPECT_NE(upper.compareNoCase(lower), 0);
}

// A start offset inside a double-byte character begins the search at the next
// character: the trail byte never matches on its own.
TEST(String, DoubleByteFindFromAnOffsetInsideACharacter) {
  CodePage932 cp;
  // "a", the character 0x95 0x5C, then "\b": offsets 0, 1-2, 3, 4.
  const std::string withSlash = std::string("a") + kSjisWithBackslashTrail + "\\b";
  const std::string withoutSlash = std::string("a") + kSjisWithBackslashTrail + "b";
  struct Row {
    const std::string* text;
    const char* needle;  // one character when `character` is set
    bool character;
    unsigned int start;
    bool found;
    unsigned int pos;
  } rows[] = {
      {&withSlash, "\\", true, 2, true, 3},       {&withSlash, "\\", true, 1, true, 3},
      {&withSlash, "\\", false, 2, true, 3},      {&withSlash, "\\b", false, 2, true, 3},
      {&withSlash, "", false, 2, true, 3},        {&withoutSlash, "\\", true, 2, false, 0},
      {&withoutSlash, "\\b", false, 2, false, 0}, {&withoutSlash, "b", true, 2, true, 3},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const Row& row = rows[i];
    String s(row.text->c_str());
    unsigned int pos = 99;
    bool found =
        row.character ? s.find(row.needle[0], row.start, pos) : s.find(String(row.needle), row.start, pos);
    EXPECT_EQ(found, row.found) << "row " << i;
    EXPECT_EQ(pos, row.found ? row.pos : 99u) << "row " << i;
  }
}

// A constructor refused its memory throws, and the destructor never runs: what
// it had made must be freed by the constructor itself.
TEST(String, RefusedConstructionLeavesNothingAllocated) {
  try {
    // The shared exception is made on its first use, outside the counted rounds.
    nox_testing::AllocationFailure failing(0);
    String("x");
  } catch (IException* e) {
    e->release();
  }
  // The record, then the text's buffer.
  for (long allowed = 0; allowed < 2; ++allowed) {
    long before = noxAllocationsInUse();
    try {
      nox_testing::AllocationFailure failing(allowed);
      String text("abc");
      ADD_FAILURE() << allowed << ": no exception";
    } catch (IException* e) {
      e->release();
    }
    EXPECT_EQ(noxAllocationsInUse(), before) << "allocation " << allowed << " refused";
  }
}

TEST(String, Comparison) {
  String abc("abc"), ABC("ABC");
  EXPECT_EQ(ABC.compareNoCase(abc), 0);
  EXPECT_FALSE(ABC == abc);
  EXPECT_TRUE(ABC != abc);
  EXPECT_TRUE(abc == "abc");
  EXPECT_LT(String("abc").compareNoCase(String("ABD")), 0);
  EXPECT_GT(String("abcd").compareNoCase(String("ABC")), 0);
  EXPECT_LT(String("").compareNoCase(String("a")), 0);
}

TEST(String, InsertAppendAndFormat) {
  String s("abc");
  s.insert(0, String("x"));
  EXPECT_STREQ(s.getData(), "xabc");
  s.insert(4, 'z');
  EXPECT_STREQ(s.getData(), "xabcz");
  s.insert(2, s);
  EXPECT_STREQ(s.getData(), "xaxabczbcz") << "inserting a string into itself";

  String base("ab");
  String copy = base += String("cd");
  EXPECT_STREQ(base.getData(), "abcd");
  copy = "other";
  EXPECT_STREQ(base.getData(), "abcd") << "+= returns a separate copy";
  base += base;
  EXPECT_STREQ(base.getData(), "abcdabcd");
  EXPECT_STREQ((String("x") + 'y').getData(), "xy");
  String left("l");
  EXPECT_STREQ((left + String("r")).getData(), "lr");
  EXPECT_STREQ(left.getData(), "l");

  std::string big(10000, 'q');
  String formatted;
  formatted.format("<%s>", big.c_str());
  EXPECT_EQ(formatted.length(), 10002);
  EXPECT_EQ(std::string(formatted.getData()), "<" + big + ">");
  formatted.format("%d-%s", 42, "x");
  EXPECT_STREQ(formatted.getData(), "42-x");
}

TEST(String, InsertPastTheEndThrowsRangeError) {
  String s("ab");
  try {
    s.insert(3, 'x');
    FAIL() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 1u);
    e->release();
  }
  EXPECT_STREQ(s.getData(), "ab");
}

using nox_testing::AllocationFailure;

struct MemoryCase {
  const char* what;
  void (*change)(String&, const String&);
  const char* className;
  const char* methodName;
};

TEST(String, FailedAllocationKeepsTheTextAndThrowsTheSharedException) {
  const MemoryCase cases[] = {
      {"append", [](String& s, const String& arg) { s += arg; }, "StringImpl", "reAllocate"},
      {"append char", [](String& s, const String&) { s += '!'; }, "StringImpl", "reAllocate"},
      {"insert", [](String& s, const String& arg) { s.insert(1, arg); }, "StringImpl", "reAllocate"},
      {"assign", [](String& s, const String& arg) { s = arg; }, "StringImpl", "allocate"},
  };
  const String arg("a longer text");
  IException* first = nullptr;
  for (const MemoryCase& c : cases) {
    String s("keep");
    try {
      AllocationFailure fail(0);
      c.change(s, arg);
      ADD_FAILURE() << c.what << ": no exception";
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 2u) << c.what;
      EXPECT_STREQ(e->getError().getClassName().getData(), c.className) << c.what;
      EXPECT_STREQ(e->getError().getMethodName().getData(), c.methodName) << c.what;
      EXPECT_STREQ(e->getError().getModuleName().getData(), "NoxUtil.dll") << c.what;
      if (!first) first = e;
      EXPECT_EQ(e, first) << "every out-of-memory failure reuses one exception";
      e->release();
    }
    EXPECT_STREQ(s.getData(), "keep") << c.what;
  }
}

}  // namespace
