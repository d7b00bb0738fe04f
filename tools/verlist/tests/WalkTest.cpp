#include "Walk.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace verlist {
namespace {

// A folder tree held in memory. Entries are "name" for a file, "name/" for a
// folder and "name@" for a folder that is a link.
using Tree = std::map<std::string, std::vector<std::string>>;

class FakeSource : public FolderSource {
 public:
  explicit FakeSource(Tree tree) : tree_(std::move(tree)) {}

  void list(const std::string& folder, FolderVisitor& visitor) override {
    listed.push_back(folder);
    auto found = tree_.find(folder);
    if (found == tree_.end()) return;
    for (const std::string& spec : found->second) {
      Entry entry(spec);
      visitor.visit(entry);
    }
  }

  std::string join(const std::string& folder, const char* name) const override {
    return joinPath(folder, name, '/', !folder.empty() && folder.back() == '/');
  }

  const char* lineBreak() const override { return "|\n"; }

  std::vector<std::string> listed;

 private:
  class Entry : public FolderEntry {
   public:
    explicit Entry(const std::string& spec) : spec_(spec) {
      char last = spec.back();
      kind_ = last == '/' || last == '@' ? last : 'f';
      name_ = kind_ == 'f' ? spec : spec.substr(0, spec.size() - 1);
    }
    const char* name() const override { return name_.c_str(); }
    bool isFolder() const override { return kind_ != 'f'; }
    bool isWalkable() const override { return kind_ == '/'; }
    FileFacts facts(const std::string&) const override {
      FileFacts facts;
      facts.sizeKnown = true;
      facts.size = name_.size();
      return facts;
    }

   private:
    std::string spec_, name_;
    char kind_;
  };

  Tree tree_;
};

class StringSink : public TextSink {
 public:
  bool write(const std::string& text) override {
    ++writes;
    if (fail) return false;
    text_ += text;
    return true;
  }

  // The listing as "H" for a header and the path for a file line.
  std::vector<std::string> outline() const {
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (start < text_.size()) {
      std::size_t end = text_.find("|\n", start);
      if (end == std::string::npos) {
        rows.push_back("unterminated: " + text_.substr(start));
        break;
      }
      std::string line = text_.substr(start, end - start);
      if (line == kHeader) {
        rows.push_back("H");
      } else {
        // The path starts where the header's FileName column does.
        rows.push_back(line.size() > 90 ? line.substr(90) : "short: " + line);
      }
      start = end + 2;
    }
    return rows;
  }

  bool fail = false;
  int writes = 0;

 private:
  std::string text_;
};

using Outline = std::vector<std::string>;

TEST(Walk, TwoFilesAndAnEmptySubFolder) {
  FakeSource source({{"top", {"a.txt", "empty/", "b.txt"}}, {"top/empty", {}}});
  StringSink sink;
  ASSERT_TRUE(listTree(source, "top", sink));
  EXPECT_EQ(sink.outline(), (Outline{"H", "top/a.txt", "top/b.txt"}));
  EXPECT_EQ(source.listed, (Outline{"top", "top/empty"}));
}

TEST(Walk, HeaderOnlyAboveTheSubFolderHoldingFiles) {
  FakeSource source({{"top", {"sub/"}}, {"top/sub", {"x.dll", "y.dll"}}});
  StringSink sink;
  ASSERT_TRUE(listTree(source, "top", sink));
  EXPECT_EQ(sink.outline(), (Outline{"H", "top/sub/x.dll", "top/sub/y.dll"}));
}

TEST(Walk, DepthFirstPreOrderWithFilesBeforeSubFolders) {
  FakeSource source({{"r", {"A/", "f1", "B/", "f2"}},
                     {"r/A", {"C/", "a1"}},
                     {"r/A/C", {"c1"}},
                     {"r/B", {"D/"}},
                     {"r/B/D", {"d1", "d2"}}});
  StringSink sink;
  ASSERT_TRUE(listTree(source, "r", sink));
  EXPECT_EQ(sink.outline(),
            (Outline{"H", "r/f1", "r/f2", "H", "r/A/a1", "H", "r/A/C/c1", "H", "r/B/D/d1", "r/B/D/d2"}));
  EXPECT_EQ(source.listed, (Outline{"r", "r/A", "r/A/C", "r/B", "r/B/D"}));
}

TEST(Walk, UnlistableFolderContributesNothingAndTheWalkGoesOn) {
  FakeSource source({{"r", {"gone/", "later/"}}, {"r/later", {"z"}}});
  StringSink sink;
  ASSERT_TRUE(listTree(source, "r", sink));
  EXPECT_EQ(sink.outline(), (Outline{"H", "r/later/z"}));
}

TEST(Walk, MissingFolderGivesEmptyListing) {
  FakeSource source({});
  StringSink sink;
  ASSERT_TRUE(listTree(source, "nowhere", sink));
  EXPECT_EQ(sink.outline(), Outline{});
  EXPECT_EQ(sink.writes, 0);
}

TEST(Walk, LinkedFoldersAreNotEntered) {
  FakeSource source({{"r", {"loop@", "f"}}, {"r/loop", {"should-not-appear"}}});
  StringSink sink;
  ASSERT_TRUE(listTree(source, "r", sink));
  EXPECT_EQ(sink.outline(), (Outline{"H", "r/f"}));
  EXPECT_EQ(source.listed, (Outline{"r"}));
}

TEST(Walk, EmptyFolderArgumentMeansCurrentFolder) {
  FakeSource sourceWithSub({{".", {"f", "s/"}}, {"./s", {"g"}}});
  StringSink sink;
  ASSERT_TRUE(listTree(sourceWithSub, "", sink));
  EXPECT_EQ(sink.outline(), (Outline{"H", "./f", "H", "./s/g"}));
}

TEST(Walk, FolderEndingInSeparatorIsNotDoubled) {
  FakeSource source({{"/", {"f", "s/"}}, {"/s", {"g"}}});
  StringSink sink;
  ASSERT_TRUE(listTree(source, "/", sink));
  EXPECT_EQ(sink.outline(), (Outline{"H", "/f", "H", "/s/g"}));
}

TEST(Walk, JoinPath) {
  EXPECT_EQ(joinPath("dir", "f", '\\', false), "dir\\f");
  EXPECT_EQ(joinPath("dir\\", "f", '\\', true), "dir\\f");
  EXPECT_EQ(joinPath(".", "f", '/', false), "./f");
}

// Shift-JIS lead bytes; the character 0x95 0x5C ends in a byte equal to '\\'.
bool isShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

TEST(Walk, EndsWithSeparator) {
  struct Case {
    const char* folder;
    bool withLeadBytes;
    bool expected;
  } const cases[] = {
      {"C:\\dir\\", false, true},
      {"C:\\dir", false, false},
      {"C:/dir/", false, true},
      {"", false, false},
      {"\\", false, true},
      {"C:\\\x95\x5C", true, false},
      {"C:\\\x95\x5C\\", true, true},
      {"C:\\\x95\x5C", false, true},
      {"C:\\a\x95", true, false},  // a lead byte with nothing after it stands alone
      {"C:\\\x95\x5C\x95\x5C", true, false},
  };
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    EXPECT_EQ(
        endsWithSeparator(cases[i].folder, "\\/", cases[i].withLeadBytes ? isShiftJisLeadByte : nullptr),
        cases[i].expected)
        << "row " << i;
  }
}

TEST(Walk, LargeListingArrivesWholeInSeveralWrites) {
  std::vector<std::string> files;
  for (int i = 0; i < 3000; ++i) files.push_back("file" + std::to_string(i));
  FakeSource source({{"big", files}});
  StringSink sink;
  ASSERT_TRUE(listTree(source, "big", sink));
  Outline outline = sink.outline();
  ASSERT_EQ(outline.size(), 3001u);
  EXPECT_EQ(outline.front(), "H");
  for (int i = 0; i < 3000; ++i) EXPECT_EQ(outline[i + 1], "big/file" + std::to_string(i)) << "line " << i;
  EXPECT_GT(sink.writes, 1);
}

TEST(Walk, FailedOutputIsReportedAndEndsTheWalk) {
  std::vector<std::string> files;
  for (int i = 0; i < 3000; ++i) files.push_back("file" + std::to_string(i));
  FakeSource source({{"r", {"a/", "b/"}}, {"r/a", files}, {"r/b", {"x"}}});
  StringSink sink;
  sink.fail = true;
  EXPECT_FALSE(listTree(source, "r", sink));
  EXPECT_EQ(sink.writes, 1);
  EXPECT_EQ(source.listed, (Outline{"r", "r/a"}));

  FakeSource oneFile(Tree{{"r", {"x"}}});
  StringSink failing;
  failing.fail = true;
  EXPECT_FALSE(listTree(oneFile, "r", failing)) << "a failure at the final write counts too";
}

}  // namespace
}  // namespace verlist
