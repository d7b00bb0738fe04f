#include "nox/Events.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "nox/testing/OutOfMemory.h"

#include <functional>
#include <string>
#include <vector>

#include "nox/Error.h"
#include "nox/Memory.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Writes its name into a shared log when notified and then runs an optional
// action, so a test can change the queue from inside a fire.
class Recorder : public ProgressEventListener, public UIEventListener {
 public:
  Recorder(std::vector<std::string>& log, const char* name) : log_(log), name_(name) {}
  virtual ~Recorder() = default;

  std::function<void(ProgressEvent&)> onProgress;
  std::function<void(UIEvent&)> onUI;

  void notifyProgressEvent(ProgressEvent& event) override {
    log_.push_back("P:" + name_);
    if (onProgress) onProgress(event);
  }
  void notifyUIEvent(UIEvent& event) override {
    log_.push_back("U:" + name_);
    if (onUI) onUI(event);
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class EventQueueTest : public ::testing::Test {
 protected:
  std::vector<std::string> log;
  Recorder a{log, "a"}, b{log, "b"}, c{log, "c"};
  EventQueue queue;
  ProgressEvent progress;
  UIEvent ui;
};

TEST_F(EventQueueTest, EmptyQueueFiresNothingAndKindsStaySeparate) {
  queue.fireProgressEvent(progress);
  queue.fireUIEvent(ui);
  EXPECT_THAT(log, IsEmpty());

  queue.addProgressEventListener(&a);
  queue.addUIEventListener(&b);
  queue.fireProgressEvent(progress);
  EXPECT_THAT(log, ElementsAre("P:a"));
  log.clear();
  queue.fireUIEvent(ui);
  EXPECT_THAT(log, ElementsAre("U:b"));
}

TEST_F(EventQueueTest, CallsInOrderOfRegistrationAndCountsDuplicates) {
  queue.addProgressEventListener(&a);
  queue.addProgressEventListener(&b);
  queue.addProgressEventListener(&a);
  queue.fireProgressEvent(progress);
  EXPECT_THAT(log, ElementsAre("P:a", "P:b", "P:a"));

  log.clear();
  queue.removeProgressEventListener(&a);  // only the first occurrence goes
  queue.fireProgressEvent(progress);
  EXPECT_THAT(log, ElementsAre("P:b", "P:a"));

  log.clear();
  queue.removeProgressEventListener(&c);  // never added
  queue.removeUIEventListener(&b);        // added, but to the other list
  queue.fireProgressEvent(progress);
  EXPECT_THAT(log, ElementsAre("P:b", "P:a"));
}

TEST_F(EventQueueTest, UIListenersFollowTheSameListRules) {
  queue.addUIEventListener(&a);
  queue.addUIEventListener(&b);
  queue.addUIEventListener(&a);
  queue.removeUIEventListener(&a);
  queue.removeUIEventListener(&c);
  queue.fireUIEvent(ui);
  EXPECT_THAT(log, ElementsAre("U:b", "U:a"));
}

TEST_F(EventQueueTest, ListenerAddedDuringAFireIsCalledInThatFire) {
  a.onProgress = [&](ProgressEvent&) {
    queue.addProgressEventListener(&c);
    a.onProgress = nullptr;
  };
  queue.addProgressEventListener(&a);
  queue.addProgressEventListener(&b);
  queue.fireProgressEvent(progress);
  EXPECT_THAT(log, ElementsAre("P:a", "P:b", "P:c"));

  log.clear();
  a.onUI = [&](UIEvent&) {
    queue.addUIEventListener(&c);
    a.onUI = nullptr;
  };
  queue.addUIEventListener(&a);
  queue.fireUIEvent(ui);
  EXPECT_THAT(log, ElementsAre("U:a", "U:c"));
}

TEST_F(EventQueueTest, ListenerRemovingItselfMakesTheNextBeSkippedOnce) {
  a.onProgress = [&](ProgressEvent&) { queue.removeProgressEventListener(&a); };
  queue.addProgressEventListener(&a);
  queue.addProgressEventListener(&b);
  queue.addProgressEventListener(&c);
  queue.fireProgressEvent(progress);
  EXPECT_THAT(log, ElementsAre("P:a", "P:c"));
  log.clear();
  queue.fireProgressEvent(progress);
  EXPECT_THAT(log, ElementsAre("P:b", "P:c"));

  log.clear();
  b.onUI = [&](UIEvent&) { queue.removeUIEventListener(&b); };
  queue.addUIEventListener(&b);
  queue.addUIEventListener(&c);
  queue.addUIEventListener(&a);
  queue.fireUIEvent(ui);
  EXPECT_THAT(log, ElementsAre("U:b", "U:a"));
}

TEST_F(EventQueueTest, ListenerExceptionEndsTheFireAndReachesTheFirer) {
  a.onProgress = [](ProgressEvent&) {
    throwException(7, 0, 0, nullptr, "EventTest.cpp", __LINE__, "Recorder", "notifyProgressEvent");
  };
  queue.addProgressEventListener(&a);
  queue.addProgressEventListener(&b);
  try {
    queue.fireProgressEvent(progress);
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 7u);
    e->release();
  }
  EXPECT_THAT(log, ElementsAre("P:a"));
}

TEST_F(EventQueueTest, CopyAppendsBehindTheTargetsListenersAndLeavesTheSourceAlone) {
  EventQueue target;
  target.addProgressEventListener(&c);
  target.addUIEventListener(&c);
  queue.addProgressEventListener(&a);
  queue.addProgressEventListener(&b);
  queue.addUIEventListener(&b);

  queue.copyEventListner(target);
  target.fireProgressEvent(progress);
  target.fireUIEvent(ui);
  EXPECT_THAT(log, ElementsAre("P:c", "P:a", "P:b", "U:c", "U:b"));

  log.clear();
  queue.fireProgressEvent(progress);
  queue.fireUIEvent(ui);
  EXPECT_THAT(log, ElementsAre("P:a", "P:b", "U:b"));

  log.clear();
  queue.copyEventListner(target);  // a second copy duplicates
  target.fireProgressEvent(progress);
  target.fireUIEvent(ui);
  EXPECT_THAT(log, ElementsAre("P:c", "P:a", "P:b", "P:a", "P:b", "U:c", "U:b", "U:b"));
}

TEST_F(EventQueueTest, CopyOntoItselfDoublesTheListsAndEnds) {
  queue.addProgressEventListener(&a);
  queue.addUIEventListener(&b);
  queue.copyEventListner(queue);
  queue.fireProgressEvent(progress);
  queue.fireUIEvent(ui);
  EXPECT_THAT(log, ElementsAre("P:a", "P:a", "U:b", "U:b"));
}

TEST(ProgressEvent, StartsEmptyAndStoresWhatIsSet) {
  ProgressEvent event;
  EXPECT_STREQ(event.getTitle().getData(), "");
  EXPECT_STREQ(event.getCurrentStatusText().getData(), "");
  EXPECT_STREQ(event.getStatusValueUnitText().getData(), "");
  EXPECT_EQ(event.getCurrentStatusValue(), 0);
  EXPECT_EQ(event.getMaxStatusValue(), 0);
  EXPECT_FALSE(event.isCancel());

  event.setTitle("Start Observation...");
  event.setCurrentStatusText("PC Plugin");
  event.setStatusValueUnitText("KB");
  event.setCurrentStatusValue(-1);
  event.setMaxStatusValue(20);
  EXPECT_STREQ(event.getTitle().getData(), "Start Observation...");
  EXPECT_STREQ(event.getCurrentStatusText().getData(), "PC Plugin");
  EXPECT_STREQ(event.getStatusValueUnitText().getData(), "KB");
  EXPECT_EQ(event.getCurrentStatusValue(), -1);
  EXPECT_EQ(event.getMaxStatusValue(), 20);
}

TEST_F(EventQueueTest, CancelSticksForEveryLaterFire) {
  int fires = 0;
  a.onProgress = [&](ProgressEvent& event) {
    if (++fires == 2) event.doCancel();
  };
  queue.addProgressEventListener(&a);
  std::vector<bool> seen;
  for (int i = 0; i < 4; ++i) {
    queue.fireProgressEvent(progress);
    seen.push_back(progress.isCancel());
  }
  EXPECT_THAT(seen, ElementsAre(false, true, true, true));
}

// The firer's side of a question: it builds the items, fires, reads the answer,
// asks a follow-up with the same event.
TEST_F(EventQueueTest, UIListenerAnswerIsSeenByTheFirerWhenTheFireReturns) {
  Configration question;
  ConfigrationEntry field;
  question.setTitle("Insert the next disk");
  question.setType(IConfigration::CONFIG_TYPE_QUESTION);
  field.setName("label");
  question.getConfigrationEntriesImpl().addItem(&field);
  ui.getConfigrationsImpl().addItem(&question);

  std::vector<std::string> titlesSeen;
  a.onUI = [&](UIEvent& event) {
    IConfigrations& items = event.getConfigrations();
    ASSERT_EQ(items.getCount(), 1u);
    IConfigration& item = items.getItem(0);
    titlesSeen.push_back(item.getTitle().getData());
    if (item.getType() == IConfigration::CONFIG_TYPE_QUESTION) {
      item.getConfigrationEntries().getItem(0).setValue("DISK2");
      item.setStatus(IConfigration::CONFIG_STATUS_CANCEL);
    } else {
      item.setStatus(IConfigration::CONFIG_STATUS_OK);
    }
  };
  queue.addUIEventListener(&a);

  queue.fireUIEvent(ui);
  EXPECT_EQ(question.getStatus(), IConfigration::CONFIG_STATUS_CANCEL);
  EXPECT_EQ(question.getStatus(), 2);
  EXPECT_STREQ(field.getValue().getData(), "DISK2");

  question.setTitle("A:\\");
  question.setType(IConfigration::CONFIG_TYPE_FORMAT);
  queue.fireUIEvent(ui);
  EXPECT_EQ(question.getStatus(), IConfigration::CONFIG_STATUS_OK);
  EXPECT_THAT(titlesSeen, ElementsAre("Insert the next disk", "A:\\"));
}

TEST(UIEvent, StartsWithAnEmptyListThatDoesNotOwnItsItems) {
  struct Traced : Configration {
    explicit Traced(bool& gone) : gone_(gone) {}
    ~Traced() override { gone_ = true; }
    bool& gone_;
  };
  bool gone = false;
  Traced* item = new Traced(gone);
  {
    UIEvent event;
    EXPECT_EQ(event.getConfigrations().getCount(), 0u);
    event.getConfigrationsImpl().addItem(item);
    EXPECT_EQ(&event.getConfigrations(), &event.getConfigrationsImpl());
    EXPECT_EQ(&event.getConfigrations().getItem(0), item);
  }
  EXPECT_FALSE(gone);
  delete item;
  EXPECT_TRUE(gone);
}

TEST(EventsOutOfMemory, NamesTheClassAndMethod) {
  std::vector<std::string> log;
  Recorder listener(log, "l");
  const std::vector<nox_testing::OutOfMemoryCase> cases = {
      {"EventQueue", "getImpl", 0, [&] { EventQueue().addProgressEventListener(&listener); }},
      {"EventQueueImpl", "getUIEventQueue", 1, [&] { EventQueue().addUIEventListener(&listener); }},
      {"EventQueueImpl", "getProgressEventQueue", 1,
       [&] { EventQueue().addProgressEventListener(&listener); }},
      {"ProgressEvent", "getImpl", 0, [&] { ProgressEvent().doCancel(); }},
      {"UIEvent", "getImpl", 0, [&] { UIEvent().getConfigrations(); }},
      {"UIEventImpl", "getConfigrations", 1, [&] { UIEvent().getConfigrations(); }},
  };
  nox_testing::expectOutOfMemory(cases, "NoxUtil.dll");
}

TEST(EventsOutOfMemory, FailedRegistrationLeavesTheQueueWorking) {
  std::vector<std::string> log;
  Recorder first(log, "first"), second(log, "second");
  EventQueue queue;
  for (int i = 0; i < 2; ++i) queue.addProgressEventListener(&first);  // capacity 2, full
  noxFailAllocationsAfter(0);
  try {
    queue.addProgressEventListener(&second);
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    e->release();
  }
  noxFailAllocationsAfter(-1);
  ProgressEvent event;
  queue.fireProgressEvent(event);
  EXPECT_THAT(log, ElementsAre("P:first", "P:first"));
}

}  // namespace
