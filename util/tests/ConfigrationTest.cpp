#include "nox/Configration.h"

#include <gtest/gtest.h>

#include "nox/testing/OutOfMemory.h"

#include <functional>
#include <string>

#include "nox/Error.h"
#include "nox/Memory.h"

namespace {

// Records its own destruction, to show which lists own their items.
template <class Base>
struct Traced : Base {
  explicit Traced(int& destroyed) : destroyed_(destroyed) {}
  ~Traced() override { ++destroyed_; }
  int& destroyed_;
};

TEST(Configration, NewFormIsUntypedUnansweredAndEmpty) {
  Configration form;
  EXPECT_EQ(form.getType(), IConfigration::CONFIG_TYPE_NONE);
  EXPECT_EQ(static_cast<int>(form.getType()), -1);
  EXPECT_EQ(form.getStatus(), IConfigration::CONFIG_STATUS_NONE);
  EXPECT_STREQ(form.getTitle().getData(), "");
  EXPECT_EQ(form.getConfigrationEntries().getCount(), 0u);
}

TEST(Configration, NewEntryHasTheDefaultTypeAndEmptyTexts) {
  ConfigrationEntry entry;
  EXPECT_EQ(entry.getType(), IConfigrationEntry::ENTRY_DEFAULT);
  EXPECT_EQ(static_cast<int>(entry.getType()), 9);
  EXPECT_STREQ(entry.getName().getData(), "");
  EXPECT_STREQ(entry.getValue().getData(), "");
}

TEST(Configration, EnumerationValuesAreTheOnesTheHostSees) {
  EXPECT_EQ(IConfigration::CONFIG_TYPE_OPTION, 0);
  EXPECT_EQ(IConfigration::CONFIG_TYPE_TARGET, 1);
  EXPECT_EQ(IConfigration::CONFIG_TYPE_QUESTION, 2);
  EXPECT_EQ(IConfigration::CONFIG_TYPE_NOTICE, 3);
  EXPECT_EQ(IConfigration::CONFIG_TYPE_FORMAT, 4);
  EXPECT_EQ(IConfigration::CONFIG_STATUS_OK, 1);
  EXPECT_EQ(IConfigration::CONFIG_STATUS_CANCEL, 2);
  EXPECT_EQ(IConfigrationEntry::ENTRY_TEXT, 1);
  EXPECT_EQ(IConfigrationEntry::ENTRY_PASSWORD, 3);
  EXPECT_EQ(IConfigrationEntry::ENTRY_FLAG, 4);
  EXPECT_EQ(IConfigrationEntry::ENTRY_HOST, 6);
}

// How a plug-in publishes a form, and how it reads the answer the host wrote
// through the interfaces only.
TEST(Configration, PluginFormRoundTripThroughTheInterfaces) {
  Configration form;
  ConfigrationEntry user, password;
  form.setTitle("Directory account");
  form.setType(IConfigration::CONFIG_TYPE_OPTION);
  user.setName("username");
  user.setType(IConfigrationEntry::ENTRY_TEXT);
  password.setName("password");
  password.setType(IConfigrationEntry::ENTRY_PASSWORD);
  form.getConfigrationEntriesImpl().addItem(&user);
  form.getConfigrationEntriesImpl().addItem(&password);
  EXPECT_EQ(&form.getConfigrationEntries(), &form.getConfigrationEntriesImpl());

  IConfigration& seenByHost = form;
  seenByHost.getConfigrationEntries().getItem(0).setValue("admin");
  seenByHost.getConfigrationEntries().getItem(1).setValue("s3cret");
  seenByHost.setStatus(IConfigration::CONFIG_STATUS_OK);

  EXPECT_STREQ(user.getValue().getData(), "admin");
  EXPECT_STREQ(password.getValue().getData(), "s3cret");
  EXPECT_EQ(form.getStatus(), IConfigration::CONFIG_STATUS_OK);
  EXPECT_STREQ(form.getConfigrationEntries().getItem(1).getName().getData(), "password");
  EXPECT_EQ(form.getConfigrationEntries().getItem(1).getType(), IConfigrationEntry::ENTRY_PASSWORD);
}

TEST(Configration, SettersCopyTheirTextAndNullKeepsIt) {
  Configration form;
  ConfigrationEntry entry;
  char buffer[] = "first";
  form.setTitle(buffer);
  entry.setName(buffer);
  entry.setValue(buffer);
  buffer[0] = 'F';
  EXPECT_STREQ(form.getTitle().getData(), "first");
  EXPECT_STREQ(entry.getName().getData(), "first");
  EXPECT_STREQ(entry.getValue().getData(), "first");
  form.setTitle(nullptr);
  entry.setValue(nullptr);
  EXPECT_STREQ(form.getTitle().getData(), "first");
  EXPECT_STREQ(entry.getValue().getData(), "first");
}

TEST(Configration, ValidateAcceptsAnythingAndFlushChangesNothing) {
  Configration form;
  ConfigrationEntry entry;
  EXPECT_TRUE(form.validate());
  form.setTitle("t");
  form.setType(IConfigration::CONFIG_TYPE_TARGET);
  form.setStatus(IConfigration::CONFIG_STATUS_CANCEL);
  entry.setValue("");
  form.getConfigrationEntriesImpl().addItem(&entry);
  EXPECT_TRUE(form.validate());
  form.flush();
  EXPECT_STREQ(form.getTitle().getData(), "t");
  EXPECT_EQ(form.getType(), IConfigration::CONFIG_TYPE_TARGET);
  EXPECT_EQ(form.getStatus(), IConfigration::CONFIG_STATUS_CANCEL);
  EXPECT_EQ(form.getConfigrationEntries().getCount(), 1u);
}

TEST(Configration, ListsDoNotOwnTheirItems) {
  int entriesGone = 0, formsGone = 0;
  auto* entry = new Traced<ConfigrationEntry>(entriesGone);
  auto* form = new Traced<Configration>(formsGone);
  form->getConfigrationEntriesImpl().addItem(entry);
  {
    Configrations forms;
    forms.addItem(form);
    forms.addItem(form);
    EXPECT_EQ(forms.getCount(), 2u);
    EXPECT_EQ(forms.removeItem(0), form);
    forms.removeAll();
    EXPECT_EQ(forms.getCount(), 0u);
    forms.addItem(form);
  }
  EXPECT_EQ(formsGone, 0);
  delete form;
  EXPECT_EQ(formsGone, 1);
  EXPECT_EQ(entriesGone, 0) << "destroying a form leaves its entries alive";
  {
    ConfigrationEntries entries;
    entries.addItem(entry);
    entries.removeAll();
    entries.addItem(entry);
  }
  EXPECT_EQ(entriesGone, 0);
  delete entry;
  EXPECT_EQ(entriesGone, 1);
}

TEST(Configration, FlagEntryIsADecimalNumber) {
  struct Row {
    const char* value;
    bool on;
  } rows[] = {{"0", false}, {"", false}, {"1", true}, {"2", true}, {"00", false}, {"off", false}};
  for (const Row& row : rows) {
    ConfigrationEntry entry;
    entry.setType(IConfigrationEntry::ENTRY_FLAG);
    entry.setValue(row.value);
    EXPECT_EQ(noxEntryFlagIsOn(entry), row.on) << "value \"" << row.value << "\"";
  }
}

TEST(ConfigrationOutOfMemory, NamesTheClassAndMethod) {
  Configration form;
  form.getTitle();  // the form's record exists; only its entry list is missing
  const std::vector<nox_testing::OutOfMemoryCase> cases = {
      {"Configration", "getImpl", 0, [] { Configration().getStatus(); }},
      {"ConfigrationEntry", "getImpl", 0, [] { ConfigrationEntry().getType(); }},
      {"ConfigrationEntries", "getImpl", 0, [] { ConfigrationEntries().getCount(); }},
      {"Configrations", "getImpl", 0, [] { Configrations().getCount(); }},
      {"ConfigrationEntires", "getConfigrationEntries", 0, [&] { form.getConfigrationEntriesImpl(); }},
  };
  nox_testing::expectOutOfMemory(cases, "NoxUtil.dll");
  EXPECT_EQ(form.getConfigrationEntries().getCount(), 0u) << "a later call creates the list";
}

}  // namespace
