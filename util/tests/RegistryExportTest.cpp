#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FileTestSupport.h"
#include "nox/Error.h"
#include "nox/FileUtil.h"
#include "nox/Memory.h"

namespace {

using filetest::exists;
using filetest::kTrailBackslash;
using filetest::readFile;
using filetest::ScratchFolder;

// Wraps the real registry calls: counts handles and lets a test make one call
// fail or change the key while the export is under way.
namespace spy {
NoxRegistryCalls real;
int openCalls = 0;
int openedHandles = 0;
int closedHandles = 0;
std::vector<REGSAM> grantedAccess;
bool only64BitView = false;
std::string refuseToOpen;
bool understateMaxima = false;
int unreadableValueIndex = -1;
std::function<void()> afterFirstQuery;

void reset() {
  real = noxSystemRegistryCalls();
  openCalls = openedHandles = closedHandles = 0;
  grantedAccess.clear();
  only64BitView = understateMaxima = false;
  refuseToOpen.clear();
  unreadableValueIndex = -1;
  afterFirstQuery = nullptr;
}

LONG WINAPI openKey(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY key) {
  ++openCalls;
  if (only64BitView && !(access & KEY_WOW64_64KEY)) return ERROR_FILE_NOT_FOUND;
  if (subKey && refuseToOpen == subKey) return ERROR_ACCESS_DENIED;
  LONG status = real.openKey(parent, subKey, options, access, key);
  if (status == ERROR_SUCCESS) {
    ++openedHandles;
    grantedAccess.push_back(access);
  }
  return status;
}

LONG WINAPI queryInfoKey(HKEY key, LPSTR cls, LPDWORD clsLength, LPDWORD reserved, LPDWORD subKeys,
                         LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                         LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD security,
                         PFILETIME written) {
  LONG status = real.queryInfoKey(key, cls, clsLength, reserved, subKeys, maxSubKeyLength, maxClassLength,
                                  values, maxValueNameLength, maxValueLength, security, written);
  if (understateMaxima) {
    if (maxSubKeyLength) *maxSubKeyLength = 0;
    if (maxValueNameLength) *maxValueNameLength = 0;
    if (maxValueLength) *maxValueLength = 0;
  }
  if (afterFirstQuery) {
    std::function<void()> change = afterFirstQuery;
    afterFirstQuery = nullptr;
    change();
  }
  return status;
}

LONG WINAPI enumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD dataLength) {
  if (static_cast<int>(index) == unreadableValueIndex) return ERROR_ACCESS_DENIED;
  return real.enumValue(key, index, name, nameLength, reserved, type, data, dataLength);
}

LONG WINAPI closeKey(HKEY key) {
  ++closedHandles;
  return real.closeKey(key);
}

void install() {
  reset();
  NoxRegistryCalls calls = real;
  calls.openKey = openKey;
  calls.queryInfoKey = queryInfoKey;
  calls.enumValue = enumValue;
  calls.closeKey = closeKey;
  noxSetRegistryCalls(&calls);
}
}  // namespace spy

std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (int b : list) out += static_cast<char>(b);
  return out;
}

// One value of the test key and the line the export must write for it.
struct ValueRow {
  const char* name;
  DWORD type;
  std::string data;
  std::string line;
};

// Twelve double-byte characters: the longest name in characters, and twice as
// long in bytes as the registry's measure of it.
const std::string kDoubleByteName = [] {
  std::string name;
  for (int i = 0; i < 12; ++i) name += kTrailBackslash;
  return name;
}();

std::vector<ValueRow> valueRows() {
  return {
      {kDoubleByteName.c_str(), REG_SZ, std::string("wide\\name", 10),
       "\"" + kDoubleByteName + "\"=\"wide\\\\name\""},
      {"", REG_SZ, std::string("root default", 13), "@=\"root default\""},
      {"path", REG_SZ, std::string("C:\\dir\\file", 12), "\"path\"=\"C:\\\\dir\\\\file\""},
      {"count", REG_DWORD, bytes({10, 0, 0, 0}), "\"count\"=dword:0000000a"},
      {"bytes", REG_BINARY, bytes({1, 2}), "\"bytes\"=hex:01,02"},
      {"expand", REG_EXPAND_SZ, std::string("%TEMP%\\x", 9), "\"expand\"=hex:(2)25,54,45,4d,50,25,5c,78,00"},
      {"multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6), "\"multi\"=hex:(7)61,00,62,63,00,00"},
      {"quote", REG_SZ, std::string("say \"hi\"", 9), "\"quote\"=\"say \"hi\"\""},
      {"dbcs", REG_SZ, std::string(kTrailBackslash) + '\0',
       "\"dbcs\"=\"" + std::string(kTrailBackslash) + "\""},
      {"empty", REG_BINARY, "", "\"empty\"=hex:"},
      {"none", REG_NONE, bytes({0xff}), "\"none\"=hex:(0)ff"},
      {"qword", REG_QWORD, bytes({8, 7, 6, 5, 4, 3, 2, 1}), "\"qword\"=hex:(11)08,07,06,05,04,03,02,01"},
      {"big endian", REG_DWORD_BIG_ENDIAN, bytes({0, 0, 1, 0}), "\"big endian\"=hex:(5)00,00,01,00"},
      {"MaxDword", REG_DWORD, bytes({0xff, 0xff, 0xff, 0xff}), "\"MaxDword\"=dword:ffffffff"},
  };
}

void setValue(HKEY key, const char* name, DWORD type, const std::string& data) {
  RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                 static_cast<DWORD>(data.size()));
}

class RegistryExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u)
        << "run with LC_ALL=ja_JP.UTF-8 (as CTest does) so that Wine uses code page 932";
    keyPath_ = "Software\\NoxFilesTest-" + std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
    HKEY key = create(keyPath_);
    for (const ValueRow& row : valueRows()) setValue(key, row.name, row.type, row.data);
    RegCloseKey(key);
    // Created out of order: sections follow the registry's own order of sub-keys.
    key = create(keyPath_ + "\\Child");
    setValue(key, "v", REG_SZ, std::string("1", 2));
    RegCloseKey(key);
    key = create(keyPath_ + "\\Child\\Grand");
    setValue(key, "w", REG_DWORD, bytes({1, 0, 0, 0}));
    RegCloseKey(key);
    RegCloseKey(create(keyPath_ + "\\Another"));
    RegCloseKey(create(keyPath_ + "\\" + kTrailBackslash));
    ASSERT_EQ(valueNamesInRegistryOrder().size(), valueRows().size());
    spy::install();
  }

  void TearDown() override {
    noxSetRegistryCalls(nullptr);
    noxFailAllocationsAfter(-1);
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
    uninitializeUtility();
  }

  static HKEY create(const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
  }

  std::string section(const std::string& relative) const {
    return "\r\n[HKEY_CURRENT_USER\\" + keyPath_ + relative + "]\r\n";
  }

  std::string expectedText() const {
    std::string text = "REGEDIT4\r\n" + section("");
    for (const std::string& name : valueNamesInRegistryOrder()) {
      for (const ValueRow& row : valueRows()) {
        if (name == row.name) text += row.line + "\r\n";
      }
    }
    text += section("\\Another");
    text += section("\\Child") + "\"v\"=\"1\"\r\n";
    text += section("\\Child\\Grand") + "\"w\"=dword:00000001\r\n";
    text += section("\\" + std::string(kTrailBackslash));
    return text;
  }

  // Values come in the registry's index order, which differs between systems
  // (Windows keeps the order of creation, Wine sorts them).
  std::vector<std::string> valueNamesInRegistryOrder() const {
    std::vector<std::string> names;
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &key);
    char name[256];
    DWORD length = sizeof(name);
    for (DWORD i = 0;
         RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = sizeof(name)) {
      names.push_back(name);
    }
    RegCloseKey(key);
    return names;
  }

  // Every key handle the export opened is closed again, and so is the file.
  void expectNothingLeftOpen(const std::string& file) const {
    EXPECT_EQ(spy::openedHandles, spy::closedHandles);
    if (exists(file)) {
      EXPECT_TRUE(DeleteFileA(file.c_str())) << file << " is still open";
    }
  }

  std::string keyPath_;
};

TEST_F(RegistryExport, EveryValueFormAndNestedKeysByteForByte) {
  ScratchFolder scratch;
  const std::string file = scratch / "out.reg";
  char result[MAX_PATH] = "";
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), file.c_str(), result, sizeof(result));
  EXPECT_EQ(std::string(result), file);
  const std::string text = readFile(file);
  const std::string expected = expectedText();
  EXPECT_EQ(text, expected);
  // On a mismatch, name the first differing line.
  size_t at = 0;
  while (at < text.size() && at < expected.size() && text[at] == expected[at]) ++at;
  if (at != text.size() || at != expected.size()) {
    size_t lineStart = expected.rfind('\n', at);
    ADD_FAILURE() << "first difference in line: " << expected.substr(lineStart + 1, 60);
  }
  expectNothingLeftOpen(file);
}

TEST_F(RegistryExport, PlainNameGoesIntoTheRegistriesFolderOfTheWorkFolder) {
  ScratchFolder scratch;
  ASSERT_EQ(setWorkFolder(scratch.path().c_str()), 1);
  const std::string folder = std::string(getWorkFolder()) + "\\registries";
  char result[MAX_PATH] = "";
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), "print.reg", result, sizeof(result));
  EXPECT_EQ(std::string(result), folder + "\\print.reg");
  EXPECT_EQ(readFile(result), expectedText());
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), "print.reg", result, sizeof(result));
  EXPECT_EQ(std::string(result), folder + "\\print(1).reg");
  // A short result buffer gets as much of the path as fits, terminated.
  char small[8];
  std::memset(small, '#', sizeof(small));
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), "print.reg", small, 6);
  EXPECT_EQ(std::string(small), (folder + "\\print(2).reg").substr(0, 5));
  EXPECT_EQ(small[6], '#');
  EXPECT_EQ(readFile(folder + "\\print(2).reg"), expectedText());
  // Without a result buffer the file is still written.
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), "print.reg", nullptr, 0);
  EXPECT_TRUE(exists(folder + "\\print(3).reg"));
}

TEST_F(RegistryExport, FailuresThrowTheirIdAndLeaveNothingOpen) {
  ScratchFolder scratch;
  struct Row {
    const char* what;
    std::string subKey;
    std::string fileName;
    unsigned int id;
    unsigned int lastError;
    const char* method;
  } rows[] = {
      {"missing key", keyPath_ + "\\Missing", scratch / "missing.reg", 4, ERROR_FILE_NOT_FOUND,
       "exportRegistryToFile"},
      {"file in a missing folder", keyPath_, scratch / "no\\such.reg", 5, ERROR_PATH_NOT_FOUND,
       "exportRegistryToFile"},
      {"plain name without a work folder", keyPath_, "plain.reg", 5, ERROR_PATH_NOT_FOUND,
       "exportRegistryToFile"},
  };
  for (const Row& row : rows) {
    spy::install();
    char result[MAX_PATH] = "";
    try {
      exportRegistryToFile(HKEY_CURRENT_USER, row.subKey.c_str(), row.fileName.c_str(), result,
                           sizeof(result));
      ADD_FAILURE() << row.what << ": no exception";
    } catch (IException* e) {
      const IErrorRecord& error = e->getError();
      EXPECT_EQ(error.getID(), row.id) << row.what;
      EXPECT_EQ(error.getLastError(), row.lastError) << row.what;
      EXPECT_EQ(error.getReturnValue(), row.lastError) << row.what;
      EXPECT_STREQ(error.getClassName().getData(), "") << row.what;
      EXPECT_STREQ(error.getMethodName().getData(), row.method) << row.what;
      EXPECT_STREQ(error.getModuleName().getData(), "NoxUtil.dll") << row.what;
      e->release();
    }
    EXPECT_EQ(spy::openedHandles, spy::closedHandles) << row.what;
    EXPECT_FALSE(exists(row.fileName)) << row.what;
  }
}

TEST_F(RegistryExport, SubKeyThatCannotBeOpenedKeepsWhatWasWritten) {
  ScratchFolder scratch;
  const std::string file = scratch / "partial.reg";
  spy::refuseToOpen = "Grand";
  try {
    exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), file.c_str(), nullptr, 0);
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 4u);
    EXPECT_EQ(e->getError().getLastError(), static_cast<unsigned int>(ERROR_ACCESS_DENIED));
    EXPECT_STREQ(e->getError().getMethodName().getData(), "retrieveToFile");
    e->release();
  }
  const std::string expected = expectedText();
  EXPECT_EQ(readFile(file), expected.substr(0, expected.find(section("\\Child\\Grand"))));
  expectNothingLeftOpen(file);
}

TEST_F(RegistryExport, UnwritableFileThrowsId6) {
  // Under Wine, Z: is the Linux root: /dev/full accepts the open and refuses every write.
  if (!filetest::runningUnderWine()) GTEST_SKIP() << "needs Wine's Z: drive for /dev/full";
  try {
    exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), "Z:\\dev\\full", nullptr, 0);
    ADD_FAILURE() << "a failed write was reported as success";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 6u);
    EXPECT_NE(e->getError().getLastError(), 0u);
    e->release();
  }
  EXPECT_EQ(spy::openedHandles, spy::closedHandles);
}

TEST_F(RegistryExport, KeyOnlyInThe64BitViewIsOpenedOnTheRetry) {
  ScratchFolder scratch;
  const std::string file = scratch / "view.reg";
  spy::only64BitView = true;
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), file.c_str(), nullptr, 0);
  EXPECT_EQ(readFile(file), expectedText());
  // The key and its four sub-keys, each tried plainly first and then in the 64-bit view.
  EXPECT_EQ(spy::openCalls, 10);
  ASSERT_EQ(spy::grantedAccess.size(), 5u);
  for (REGSAM access : spy::grantedAccess) EXPECT_EQ(access, static_cast<REGSAM>(KEY_READ | KEY_WOW64_64KEY));
  expectNothingLeftOpen(file);
}

TEST_F(RegistryExport, UnderstatedMaximaDoNotOverrunOrCutTheData) {
  ScratchFolder scratch;
  const std::string file = scratch / "small.reg";
  spy::understateMaxima = true;
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), file.c_str(), nullptr, 0);
  EXPECT_EQ(readFile(file), expectedText());
  expectNothingLeftOpen(file);
}

TEST_F(RegistryExport, KeyChangedAfterItWasMeasured) {
  ScratchFolder scratch;
  const std::string during = scratch / "during.reg";
  const std::string after = scratch / "after.reg";
  const std::string big(5000, '\x5a');
  const std::string longName(300, 'n');
  const std::string longKey(200, 'k');
  // Between measuring the key and reading it: a value grows far past the
  // measured data size, a value and a sub-key are replaced by ones with far
  // longer names.
  spy::afterFirstQuery = [&]() {
    HKEY key = create(keyPath_);
    setValue(key, "bytes", REG_BINARY, big);
    RegDeleteValueA(key, "count");
    setValue(key, longName.c_str(), REG_SZ, std::string("long name", 10));
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, (keyPath_ + "\\Another").c_str());
    RegCloseKey(create(keyPath_ + "\\" + longKey));
  };
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), during.c_str(), nullptr, 0);
  const std::string text = readFile(during);
  std::string bigLine = "\"bytes\"=hex:5a";
  for (size_t i = 1; i < big.size(); ++i) bigLine += ",5a";
  EXPECT_NE(text.find("\r\n" + bigLine + "\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n\"" + longName + "\"=\"long name\"\r\n"), std::string::npos);
  EXPECT_NE(text.find(section("\\" + longKey)), std::string::npos);
  // The same as an export of the key at rest.
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), after.c_str(), nullptr, 0);
  EXPECT_EQ(text, readFile(after));
  expectNothingLeftOpen(during);
}

TEST_F(RegistryExport, ValuesAndKeysRemovedDuringTheExportEndTheWalkEarly) {
  ScratchFolder scratch;
  const std::string file = scratch / "shrunk.reg";
  spy::afterFirstQuery = [&]() {
    HKEY key = create(keyPath_);
    for (const ValueRow& row : valueRows()) RegDeleteValueA(key, row.name);
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, (keyPath_ + "\\Child").c_str());
  };
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), file.c_str(), nullptr, 0);
  EXPECT_EQ(readFile(file), "REGEDIT4\r\n" + section("") + section("\\Another") +
                                section("\\" + std::string(kTrailBackslash)));
  expectNothingLeftOpen(file);
}

TEST_F(RegistryExport, UnreadableValueIsLeftOutAndTheRestWritten) {
  ScratchFolder scratch;
  const std::string file = scratch / "gap.reg";
  spy::unreadableValueIndex = 1;
  exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), file.c_str(), nullptr, 0);
  const std::string skipped = valueNamesInRegistryOrder()[1];
  std::string expected = expectedText();
  for (const ValueRow& row : valueRows()) {
    if (skipped == row.name) expected.erase(expected.find(row.line + "\r\n"), row.line.size() + 2);
  }
  EXPECT_EQ(readFile(file), expected);
}

TEST_F(RegistryExport, OutOfMemoryAtAnyAllocationLeavesNothingOpen) {
  ScratchFolder scratch;
  const std::string file = scratch / "oom.reg";
  bool completed = false;
  for (long allowed = 0; allowed < 200 && !completed; ++allowed) {
    spy::install();
    noxFailAllocationsAfter(allowed);
    try {
      exportRegistryToFile(HKEY_CURRENT_USER, keyPath_.c_str(), file.c_str(), nullptr, 0);
      completed = true;
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 2u) << "after " << allowed << " allocations";
      e->release();
    }
    noxFailAllocationsAfter(-1);
    EXPECT_EQ(spy::openedHandles, spy::closedHandles) << "after " << allowed << " allocations";
    if (exists(file)) {
      EXPECT_TRUE(DeleteFileA(file.c_str())) << "after " << allowed << " allocations";
    }
  }
  EXPECT_TRUE(completed);
}

TEST_F(RegistryExport, KeyOutsideTheRootTableIsNamedBySubKeyAlone) {
  ScratchFolder scratch;
  const std::string file = scratch / "root.reg";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (keyPath_ + "\\Child").c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  // A key handle that is no predefined root: the name is the sub-key path alone.
  exportRegistryToFile(key, "Grand", file.c_str(), nullptr, 0);
  EXPECT_EQ(readFile(file), "REGEDIT4\r\n\r\n[Grand]\r\n\"w\"=dword:00000001\r\n");
  RegCloseKey(key);
}

}  // namespace
