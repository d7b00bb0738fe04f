// Settings files read as GetPrivateProfileStringA reads them (qvd.cnf).
#include <gtest/gtest.h>

#include "ProfileText.h"

namespace {

TEST(ProfileTextTest, SectionAndKeyWithoutRegardToCase) {
  const std::string file =
      "; data folder of the server\r\n"
      "[Product]\r\n"
      "subType = Ep \r\n"
      "[ Path ]\r\n"
      "Data=\"C:\\Gimlet Data\"\r\n"
      "data=second\r\n"
      "[Other]\r\n"
      "data=C:\\Other\r\n";
  EXPECT_EQ("C:\\Gimlet Data", dvq::profileValue(file, "path", "data", "", 259));
  EXPECT_EQ("Ep", dvq::profileValue(file, "PRODUCT", "SUBTYPE", "", 259));
  EXPECT_EQ("C:\\Gim", dvq::profileValue(file, "path", "data", "", 6)) << "cut at the buffer's room";
  EXPECT_EQ("fallback", dvq::profileValue(file, "path", "missing", "fallback", 259));
  EXPECT_EQ("", dvq::profileValue(file, "missing", "data", "", 259));
  EXPECT_EQ("", dvq::profileValue("", "path", "data", "", 259));
  EXPECT_EQ("", dvq::profileValue("[path\ndata=x\n", "path", "data", "", 259)) << "an unclosed section name";
  EXPECT_EQ("", dvq::profileValue("[path]\ndata=\n", "path", "data", "x", 259))
      << "an empty value is a value";
}

}  // namespace
