#include "pchelpers/Registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Scenario.h"
#include "nox/Error.h"

namespace {

const char kMachine[] = R"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Test]
"Text"="with \\ backslash"
"Number"=dword:0000000a
"Bytes"=hex:01,02
"Two"=hex(7):61,00,62,00,00
"NoStrings"=hex(7):00,00
"Gap"=hex(7):61,00,00,62,00,00
"Unclosed"=hex(7):61,00,62,00
"Expand"=expand:"%SystemRoot%\\x"
@="default"
[HKEY_LOCAL_MACHINE\SOFTWARE\Test\First]
[HKEY_LOCAL_MACHINE\SOFTWARE\Test\Second]
"Inner"="in second"
)";

std::vector<std::string> strings(const Array& a) {
  std::vector<std::string> out;
  for (int i = 0; i < a.getCount(); ++i) out.push_back(a.getSlots()[i]->getData());
  return out;
}

TEST(RegistryKey, ValuesByKind) {
  ScenarioMachine machine = ScenarioMachine::fromText(kMachine);
  {
    RegistryKey key;
    key.open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test");
    ASSERT_TRUE(key.isOpen());

    RegistryValue text = key.queryValue("Text");
    EXPECT_TRUE(text.isValid());
    EXPECT_STREQ(text.getStringValue().getData(), "with \\ backslash");
    EXPECT_EQ(key.queryValue("Number").getDWORDValue(), 10u);
    EXPECT_EQ(key.queryValue("Bytes").getBinaryValue(), ByteBuffer("\x01\x02", 2));
    EXPECT_EQ(strings(key.queryValue("Two").getMultiStringValue()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(key.queryValue("NoStrings").getMultiStringValue().getCount(), 0);
    EXPECT_EQ(strings(key.queryValue("Gap").getMultiStringValue()), (std::vector<std::string>{"a", "", "b"}))
        << "an empty string between others is kept";
    EXPECT_EQ(strings(key.queryValue("Unclosed").getMultiStringValue()),
              (std::vector<std::string>{"a", "b"}));

    RegistryValue expand = key.queryValue("Expand");
    EXPECT_STREQ(expand.getName().getData(), "Expand");
    EXPECT_EQ(expand.getKind(), RegistryValue::KIND_NONE);
    EXPECT_FALSE(expand.isValid());

    EXPECT_FALSE(key.queryValue("Absent").isValid());
    EXPECT_FALSE(key.queryValue("").isValid());
  }
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0) << "every key is closed again";
}

TEST(RegistryKey, WrongKindRaisesNamedError) {
  RegistryValue dword;
  dword.setName("n");
  dword.setDWORDValue(5);
  struct Case {
    void (*ask)(const RegistryValue&);
    const char* method;
    unsigned int line;
  } cases[] = {
      {[](const RegistryValue& v) { v.getStringValue(); }, "getStringValue", 154},
      {[](const RegistryValue& v) { v.getBinaryValue(); }, "getBinaryValue", 100},
      {[](const RegistryValue& v) { v.getMultiStringValue(); }, "getMultiStringValue", 139},
  };
  for (const Case& c : cases) {
    try {
      c.ask(dword);
      ADD_FAILURE() << c.method << ": no exception";
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 3u) << c.method;
      EXPECT_STREQ(e->getError().getMethodName().getData(), c.method);
      EXPECT_STREQ(e->getError().getClassName().getData(), "RegistryValue");
      EXPECT_STREQ(e->getError().getFileName().getData(), "RegistryValue");
      EXPECT_EQ(e->getError().getLineNumber(), c.line);
      e->release();
    }
  }
}

TEST(RegistryKey, WalksSubKeysAndStopsValuesAtTheDefault) {
  ScenarioMachine machine = ScenarioMachine::fromText(kMachine);
  {
    RegistryKey key;
    key.open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test");
    std::vector<std::string> names;
    for (RegistryValue v = key.nextValue(); v.isValid(); v = key.nextValue())
      names.push_back(v.getName().getData());
    // "Expand" has no kind, so the walk ends there.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Text", "Number", "Bytes", "Two", "NoStrings", "Gap", "Unclosed"}));

    std::vector<std::string> subKeys;
    for (RegistryKey sub = key.nextSubKey(); sub.getPath().length() > 0; sub = key.nextSubKey()) {
      EXPECT_FALSE(sub.isOpen());
      sub.reopen();
      EXPECT_TRUE(sub.isOpen());
      subKeys.push_back(sub.getPath().getData());
      if (subKeys.back() == "Second") {
        EXPECT_STREQ(sub.queryValue("Inner").getStringValue().getData(), "in second");
      }
    }
    EXPECT_EQ(subKeys, (std::vector<std::string>{"First", "Second"}));

    RegistryKey missing;
    missing.open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nowhere");
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.nextValue().isValid());
    EXPECT_EQ(missing.nextSubKey().getPath().length(), 0);
  }
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

TEST(RegistryKey, ReadsTheRealRegistry) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\NoxTest\\Helpers", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char multi[] = "x\0yz\0";
  RegSetValueExA(key, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi);
  DWORD n = 0x1234;
  RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4);
  RegCloseKey(key);

  RegistryKey helper;
  helper.open(HKEY_CURRENT_USER, "Software\\NoxTest\\Helpers");
  ASSERT_TRUE(helper.isOpen());
  EXPECT_EQ(strings(helper.queryValue("Multi").getMultiStringValue()), (std::vector<std::string>{"x", "yz"}));
  EXPECT_EQ(helper.queryValue("Number").getDWORDValue(), 0x1234u);
  helper.close();
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\NoxTest\\Helpers");
}

TEST(Array, ResizeKeepsTheFirstAndRangeErrorsNameTheIndex) {
  Array a;
  a.append("one");
  a.append("two");
  a.append("three");
  a.resize(2);
  EXPECT_EQ(strings(a), (std::vector<std::string>{"one", "two"}));
  a.resize(4);
  EXPECT_EQ(strings(a), (std::vector<std::string>{"one", "two", "", ""}));
  Array copy;
  copy = a;
  a.resize(0);
  EXPECT_EQ(a.getCount(), 0);
  EXPECT_EQ(copy.getCount(), 4);

  struct Case {
    void (*act)(Array&);
    const char* method;
    unsigned int returnValue;
  } cases[] = {
      {[](Array& x) {
         String s;
         x.getAt(4, s);
       },
       "getAt", 4},
      {[](Array& x) { x.setAt(-1, "z"); }, "setAt", 0xFFFFFFFFu},
      {[](Array& x) { x.resize(-2); }, "resize", 0xFFFFFFFEu},
  };
  for (const Case& c : cases) {
    try {
      c.act(copy);
      ADD_FAILURE() << c.method;
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 1u);
      EXPECT_EQ(e->getError().getReturnValue(), c.returnValue) << c.method;
      EXPECT_STREQ(e->getError().getMethodName().getData(), c.method);
      EXPECT_STREQ(e->getError().getFileName().getData(), "../src/Array");
      e->release();
    }
  }
  EXPECT_EQ(copy.getCount(), 4);
}

}  // namespace
