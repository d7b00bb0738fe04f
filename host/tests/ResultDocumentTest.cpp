#include "ResultDocument.h"

#include <gtest/gtest.h>

namespace {

// The writer's worked example, with a second category and the failures a
// snapshot has.
const char kDocument[] =
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
    "<!-- taken at the customer's desk -->\r\n"
    "<SystemInformation>\r\n"
    "  <Date timezone=\"GMT+0100\" type=\"datetime\">\r\n"
    "    2011/11/21 08:20:53\r\n"
    "  </Date>\r\n"
    "  <toolVersion type=\"text\">\r\n"
    "    2, 0, 2, 414\r\n"
    "    <pluginVersion>\r\n"
    "      <serializerPlugin index=\"0\">\r\n"
    "        <Name type=\"text\">\r\n"
    "          XML Plugin\r\n"
    "        </Name>\r\n"
    "      </serializerPlugin>\r\n"
    "    </pluginVersion>\r\n"
    "  </toolVersion>\r\n"
    "  <PC>\r\n"
    "    <Summary type=\"text\">\r\n"
    "      a&lt;b &amp; c\r\n"
    "      <Disk_C_ formalName=\"Disk C:\" IsSuccess=\"false\">\r\n"
    "        access denied\r\n"
    "      </Disk_C_>\r\n"
    "      <Dump type=\"binary\">\r\n"
    "        Summary\\binary.dat\r\n"
    "      </Dump>\r\n"
    "    </Summary>\r\n"
    "    <printerDriver>\r\n"
    "    </printerDriver>\r\n"
    "  </PC>\r\n"
    "  <Network_2 formalName=\"Network &quot;2&quot;\">\r\n"
    "    <dns IsSuccess=\"false\">\r\n"
    "      <host index=\"1\" note=\"a > b\">\r\n"
    "        <ping IsSuccess=\"false\"/>\r\n"
    "        <trace IsSuccess='false'>\r\n"
    "          <hop IsSuccess=\"false\">x</hop>\r\n"
    "        </trace>\r\n"
    "      </host>\r\n"
    "    </dns>\r\n"
    "  </Network_2>\r\n"
    "  <Empty/>\r\n"
    "</SystemInformation>\r\n";

TEST(ResultDocument, ReportsAndTheirFailedNodesByCategory) {
  host::DocumentSummary summary = host::summarizeDocument(kDocument);
  EXPECT_TRUE(summary.hasRoot);
  EXPECT_TRUE(summary.wellFormed);
  ASSERT_EQ(summary.categories.size(), 3u) << "Date and toolVersion are the header, not categories";
  EXPECT_EQ(summary.categories[0].name, "PC");
  ASSERT_EQ(summary.categories[0].reports.size(), 2u);
  EXPECT_EQ(summary.categories[0].reports[0].name, "Summary");
  EXPECT_EQ(summary.categories[0].reports[0].failed, 1u);
  EXPECT_EQ(summary.categories[0].reports[0].failedPaths, std::vector<std::string>{"Summary/Disk C:"});
  EXPECT_EQ(summary.categories[0].reports[1].failed, 0u);

  EXPECT_EQ(summary.categories[1].name, "Network \"2\"");
  ASSERT_EQ(summary.categories[1].reports.size(), 1u);
  const host::ReportSummary& dns = summary.categories[1].reports[0];
  EXPECT_EQ(dns.failed, 4u);
  EXPECT_EQ(dns.failedPaths, (std::vector<std::string>{"dns", "dns/host/ping", "dns/host/trace"}))
      << "the first three, in document order; a self-closed node leaves the path";

  EXPECT_EQ(summary.categories[2].name, "Empty");
  EXPECT_TRUE(summary.categories[2].reports.empty());
}

TEST(ResultDocument, EmptyAndBrokenDocuments) {
  host::DocumentSummary empty = host::summarizeDocument("");
  EXPECT_FALSE(empty.hasRoot);
  EXPECT_FALSE(empty.wellFormed);
  EXPECT_TRUE(empty.categories.empty());

  host::DocumentSummary header = host::summarizeDocument(
      "<?xml version=\"1.0\" ?>\r\n<SystemInformation>\r\n  <Date/>\r\n  "
      "<toolVersion/>\r\n</SystemInformation>\r\n");
  EXPECT_TRUE(header.wellFormed);
  EXPECT_TRUE(header.categories.empty()) << "no category was selected";

  // Cut off in the middle: what was read still counts.
  std::string cut(kDocument, std::string(kDocument).find("<Dump"));
  host::DocumentSummary partial = host::summarizeDocument(cut);
  EXPECT_FALSE(partial.wellFormed);
  ASSERT_EQ(partial.categories.size(), 1u);
  EXPECT_EQ(partial.categories[0].reports[0].failed, 1u);

  host::DocumentSummary crossed = host::summarizeDocument("<a><b><c></b></c></a>");
  EXPECT_FALSE(crossed.wellFormed);
  host::DocumentSummary twoRoots = host::summarizeDocument("<a/><b/>");
  EXPECT_FALSE(twoRoots.wellFormed);
  host::DocumentSummary openTag = host::summarizeDocument("<a><b x=\"unterminated");
  EXPECT_FALSE(openTag.wellFormed);
}

}  // namespace
