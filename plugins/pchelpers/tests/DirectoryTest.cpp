// The directory helpers and the recorded directory's answers, which come in the
// layouts Windows uses: records first, their UTF-16 texts after them, all in
// one block the matching free call releases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordedDirectory.h"
#include "nox/String.h"
#include "pchelpers/Directory.h"

namespace {

bool inside(const void* pointer, const void* block, size_t from, size_t size) {
  const auto* p = static_cast<const unsigned char*>(pointer);
  const auto* b = static_cast<const unsigned char*>(block);
  return p >= b + from && p < b + size;
}

TEST(DirectoryText, CutToWholeCharacters) {
  EXPECT_EQ(directory::ansiText(L"CONTOSO", -1, 63), "CONTOSO");
  EXPECT_EQ(directory::ansiText(L"CONTOSO", 3, 63), "CON") << "a counted text has no terminator";
  EXPECT_EQ(directory::ansiText(L"CONTOSO", -1, 4), "CONT");
  EXPECT_EQ(directory::ansiText(nullptr, -1, 10), "");
  std::wstring long_(300, L'x');
  EXPECT_EQ(directory::ansiText(long_.c_str(), -1, 259).size(), 259u);

  // Code page 932: a double-byte character whose trail byte would not fit stays out.
  noxSetCodePage(932);
  const std::string text = "AB\x82\xa0\x82\xa2";  // A B and two hiragana
  EXPECT_EQ(directory::cutText(text, 6), text);
  EXPECT_EQ(directory::cutText(text, 5), "AB\x82\xa0");
  EXPECT_EQ(directory::cutText(text, 3), "AB");
  EXPECT_EQ(directory::cutText("AB\x82", 5), "AB\x82") << "a lone lead byte at the end is one byte";
  noxSetCodePage(0);
}

TEST(DirectoryText, ServerArguments) {
  EXPECT_EQ(directory::serverArgument("PDC01", 260), L"\\\\PDC01");
  EXPECT_EQ(directory::serverArgument("\\\\PDC01", 260), L"\\\\PDC01");
  EXPECT_EQ(directory::serverArgument(std::string(400, 'n'), 260).size(), 259u);
}

TEST(DirectoryText, StatusWithoutTheConverter) {
  EXPECT_EQ(DirectoryApi::statusWithoutConverter(0), 0u);
  EXPECT_EQ(DirectoryApi::statusWithoutConverter(static_cast<NTSTATUS>(0xC0000002L)),
            static_cast<ULONG>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_EQ(DirectoryApi::statusWithoutConverter(31), 31u) << "a Windows error stays";
  EXPECT_EQ(DirectoryApi::statusWithoutConverter(static_cast<NTSTATUS>(0xC0000022L)),
            static_cast<ULONG>(ERROR_MR_MID_NOT_FOUND));
}

const char kDomain[] =
    "[lsa]\ndomain = CONTOSO\nsid = yes\n"
    "[domain]\npdc = \\\\PDC01\ntrusts = FABRIKAM NORTHWIND\n"
    "[computer PDC01]\ntype = 0x0000000B\nlangroup = CONTOSO\n"
    "[computer BDC01]\ntype = 0x00000013\n"
    "[computer BDC02]\ntype = 0x00040013\nversion = 5.2\n"
    "[display users]\ncount = 250\nmsPerCall = 7\n";

TEST(RecordedDirectory, ServerListInTheNetworkLayout) {
  ScenarioDirectory machine(kDomain);
  DirectoryApi& api = machine.directory();
  LPBYTE buffer = nullptr;
  DWORD read = 99, total = 99;
  ASSERT_EQ(api.NetServerEnum(nullptr, 100, &buffer, MAX_PREFERRED_LENGTH, &read, &total,
                              SV_TYPE_DOMAIN_BAKCTRL, nullptr, nullptr),
            static_cast<NET_API_STATUS>(NERR_Success));
  ASSERT_EQ(read, 2u);
  const auto* servers = reinterpret_cast<const SERVER_INFO_100*>(buffer);
  EXPECT_STREQ(servers[0].sv100_name, L"BDC01");
  EXPECT_STREQ(servers[1].sv100_name, L"BDC02");
  EXPECT_TRUE(inside(servers[1].sv100_name, buffer, 2 * sizeof(SERVER_INFO_100), 4096));
  EXPECT_EQ(machine.directory().netBuffers(), 1);
  EXPECT_EQ(api.NetApiBufferFree(buffer), static_cast<NET_API_STATUS>(NERR_Success));
  EXPECT_EQ(api.NetApiBufferFree(buffer), static_cast<NET_API_STATUS>(ERROR_INVALID_PARAMETER))
      << "freed once";
  EXPECT_EQ(machine.directory().netBuffers(), 0);
}

TEST(RecordedDirectory, AccountPagesAndTheClock) {
  ScenarioDirectory machine(kDomain);
  DirectoryApi& api = machine.directory();
  DWORD start = api.GetTickCount();
  std::vector<DWORD> pages;
  std::vector<NET_API_STATUS> results;
  DWORD index = 0;
  for (int call = 0; call < 5; ++call) {
    DWORD returned = 0;
    PVOID buffer = nullptr;
    NET_API_STATUS result =
        api.NetQueryDisplayInformation(L"\\\\PDC01", 1, index, 100, MAX_PREFERRED_LENGTH, &returned, &buffer);
    pages.push_back(returned);
    results.push_back(result);
    if (returned) {
      const auto* users = static_cast<const NET_DISPLAY_USER*>(buffer);
      if (index == 0) {
        EXPECT_STREQ(users[0].usri1_name, L"user0000");
      }
      index = users[returned - 1].usri1_next_index;
    }
    api.NetApiBufferFree(buffer);
    if (result != ERROR_MORE_DATA) break;
  }
  EXPECT_EQ(pages, (std::vector<DWORD>{100, 100, 50}));
  EXPECT_EQ(results, (std::vector<NET_API_STATUS>{ERROR_MORE_DATA, ERROR_MORE_DATA, NERR_Success}));
  EXPECT_EQ(api.GetTickCount() - start, 21u);
  EXPECT_EQ(machine.directory().netBuffers(), 0);
}

TEST(RecordedDirectory, TrustsInTheLsaLayout) {
  ScenarioDirectory machine(kDomain);
  DirectoryApi& api = machine.directory();
  LSA_OBJECT_ATTRIBUTES attributes = {};
  LSA_HANDLE policy = nullptr;
  ASSERT_EQ(api.LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy), 0);
  LSA_ENUMERATION_HANDLE context = 0;
  PVOID buffer = nullptr;
  ULONG count = 0;
  ASSERT_EQ(api.LsaEnumerateTrustedDomains(policy, &context, &buffer, 12000, &count), 0);
  ASSERT_EQ(count, 2u);
  const auto* trusts = static_cast<const LSA_TRUST_INFORMATION*>(buffer);
  EXPECT_EQ(std::wstring(trusts[1].Name.Buffer, trusts[1].Name.Length / sizeof(WCHAR)), L"NORTHWIND");
  EXPECT_EQ(api.LsaFreeMemory(buffer), 0);
  EXPECT_EQ(api.LsaClose(policy), 0);
  EXPECT_EQ(machine.directory().lsaBuffers() + machine.directory().openPolicies(), 0);
  EXPECT_EQ(api.LsaNtStatusToWinError(static_cast<NTSTATUS>(0x8000001AL)),
            static_cast<ULONG>(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(api.LsaNtStatusToWinError(static_cast<NTSTATUS>(0xC0000022L)),
            static_cast<ULONG>(ERROR_ACCESS_DENIED));
}

TEST(RecordedDirectory, MissingLibrariesAndEntries) {
  ScenarioDirectory machine(std::string(kDomain) + "[missing]\nnetapi32.dll!NetGetDCName\nadvapi32.dll\n");
  DirectoryApi& api = machine.directory();
  LPBYTE buffer = nullptr;
  EXPECT_EQ(api.NetGetDCName(nullptr, nullptr, &buffer), static_cast<NET_API_STATUS>(ERROR_PROC_NOT_FOUND));
  LSA_OBJECT_ATTRIBUTES attributes = {};
  LSA_HANDLE policy = nullptr;
  EXPECT_EQ(api.LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy),
            static_cast<NTSTATUS>(0xC0000002L));
  EXPECT_EQ(api.LsaNtStatusToWinError(static_cast<NTSTATUS>(0xC0000002L)),
            static_cast<ULONG>(ERROR_CALL_NOT_IMPLEMENTED));
}

}  // namespace
