#include "nox/Events.h"

#include "Internal.h"
#include "nox/Collection.h"
#include "nox/Memory.h"

namespace {
Collection& lazyCollection(Collection*& slot, const char* methodName) {
  if (!slot) {
    slot = noxNew<Collection>();
    if (!slot) NOX_RAISE_MEMORY("EventQueueImpl", methodName);
  }
  return *slot;
}

// The count is read anew before each call on purpose: see EventQueue.
template <class Listener, class Event>
void deliver(Collection& listeners, Event& event, void (Listener::*notify)(Event&)) {
  for (unsigned int i = 0; i < listeners.getCount(); ++i) {
    (static_cast<Listener*>(listeners.getItem(i))->*notify)(event);
  }
}

// Appends the entries of from to to. The count is taken once, so that copying a
// list onto itself ends.
void appendAll(Collection& from, Collection& to) {
  const unsigned int count = from.getCount();
  for (unsigned int i = 0; i < count; ++i) to.addItem(from.getItem(i));
}
}  // namespace

struct EventQueueImpl {
  Collection* uiListeners = nullptr;
  Collection* progressListeners = nullptr;

  ~EventQueueImpl() {
    noxDelete(uiListeners);
    noxDelete(progressListeners);
  }

  Collection& getUIEventQueue() { return lazyCollection(uiListeners, "getUIEventQueue"); }
  Collection& getProgressEventQueue() { return lazyCollection(progressListeners, "getProgressEventQueue"); }
};

struct ProgressEventImpl {
  String title;
  String currentStatusText;
  String statusValueUnitText;
  int maxStatusValue = 0;
  int currentStatusValue = 0;
  bool cancel = false;
};

struct UIEventImpl {
  Configrations* configrations = nullptr;

  ~UIEventImpl() { noxDelete(configrations); }

  Configrations& getConfigrations() {
    if (!configrations) {
      configrations = noxNew<Configrations>();
      if (!configrations) NOX_RAISE_MEMORY("UIEventImpl", "getConfigrations");
    }
    return *configrations;
  }
};

// ---- EventQueue

EventQueue::EventQueue() : impl_(nullptr) {}

EventQueue::~EventQueue() { noxDelete(impl_); }

EventQueueImpl* EventQueue::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<EventQueueImpl>();
    if (!impl_) NOX_RAISE_MEMORY("EventQueue", "getImpl");
  }
  return impl_;
}

void EventQueue::addUIEventListener(UIEventListener* listener) {
  getImpl()->getUIEventQueue().addItem(listener);
}

void EventQueue::removeUIEventListener(UIEventListener* listener) {
  getImpl()->getUIEventQueue().removeItem(static_cast<void*>(listener));
}

void EventQueue::addProgressEventListener(ProgressEventListener* listener) {
  getImpl()->getProgressEventQueue().addItem(listener);
}

void EventQueue::removeProgressEventListener(ProgressEventListener* listener) {
  getImpl()->getProgressEventQueue().removeItem(static_cast<void*>(listener));
}

void EventQueue::fireUIEvent(UIEvent& event) {
  deliver(getImpl()->getUIEventQueue(), event, &UIEventListener::notifyUIEvent);
}

void EventQueue::fireProgressEvent(ProgressEvent& event) {
  deliver(getImpl()->getProgressEventQueue(), event, &ProgressEventListener::notifyProgressEvent);
}

void EventQueue::copyEventListner(EventQueue& other) {
  EventQueueImpl* from = getImpl();
  EventQueueImpl* to = other.getImpl();
  appendAll(from->getProgressEventQueue(), to->getProgressEventQueue());
  appendAll(from->getUIEventQueue(), to->getUIEventQueue());
}

// ---- ProgressEvent

ProgressEvent::ProgressEvent() : impl_(nullptr) {}

ProgressEvent::~ProgressEvent() { noxDelete(impl_); }

ProgressEventImpl* ProgressEvent::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<ProgressEventImpl>();
    if (!impl_) NOX_RAISE_MEMORY("ProgressEvent", "getImpl");
  }
  return impl_;
}

const IString& ProgressEvent::getCurrentStatusText() const { return getImpl()->currentStatusText; }

int ProgressEvent::getCurrentStatusValue() const { return getImpl()->currentStatusValue; }

int ProgressEvent::getMaxStatusValue() const { return getImpl()->maxStatusValue; }

const IString& ProgressEvent::getStatusValueUnitText() const { return getImpl()->statusValueUnitText; }

const IString& ProgressEvent::getTitle() const { return getImpl()->title; }

void ProgressEvent::doCancel() { getImpl()->cancel = true; }

bool ProgressEvent::isCancel() const { return getImpl()->cancel; }

void ProgressEvent::setCurrentStatusText(const char* text) { getImpl()->currentStatusText = text; }

void ProgressEvent::setCurrentStatusValue(int value) { getImpl()->currentStatusValue = value; }

void ProgressEvent::setMaxStatusValue(int value) { getImpl()->maxStatusValue = value; }

void ProgressEvent::setStatusValueUnitText(const char* text) { getImpl()->statusValueUnitText = text; }

void ProgressEvent::setTitle(const char* title) { getImpl()->title = title; }

// ---- UIEvent

UIEvent::UIEvent() : impl_(nullptr) {}

UIEvent::~UIEvent() { noxDelete(impl_); }

UIEventImpl* UIEvent::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<UIEventImpl>();
    if (!impl_) NOX_RAISE_MEMORY("UIEvent", "getImpl");
  }
  return impl_;
}

IConfigrations& UIEvent::getConfigrations() { return getConfigrationsImpl(); }

Configrations& UIEvent::getConfigrationsImpl() { return getImpl()->getConfigrations(); }
