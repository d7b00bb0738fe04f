#pragma once

#include "nox/Configration.h"
#include "nox/NoxUtilApi.h"
#include "nox/String.h"

class ProgressEvent;
class UIEvent;

// Implemented by the host. Listeners are never destroyed through these
// interfaces: the queue only borrows them.
class ProgressEventListener {
 public:
  virtual void notifyProgressEvent(ProgressEvent& event) = 0;

 protected:
  ~ProgressEventListener() = default;
};

class UIEventListener {
 public:
  // Answer by setting each item's status (and entry values) before returning.
  virtual void notifyUIEvent(UIEvent& event) = 0;

 protected:
  ~UIEventListener() = default;
};

// What an event source offers for listener registration.
class ProgressEventSubject {
 public:
  virtual void addProgressEventListener(ProgressEventListener* listener) = 0;
  virtual void removeProgressEventListener(ProgressEventListener* listener) = 0;
};

class UIEventSubject {
 public:
  virtual void addUIEventListener(UIEventListener* listener) = 0;
  virtual void removeUIEventListener(UIEventListener* listener) = 0;
};

struct EventQueueImpl;

// The two listener lists of one event source. Events are delivered synchronously
// on the firer's thread. The count is read anew before every call, so a listener
// added during a fire is called in the same fire, and a listener that removes
// itself makes the one after it be skipped in that fire. A listener's exception
// ends the fire and reaches the firer.
class NOXUTIL_API EventQueue {
 public:
  EventQueue();
  virtual ~EventQueue();
  NOX_NON_COPYABLE(EventQueue);

  // Adding a listener twice makes it be called twice.
  virtual void addUIEventListener(UIEventListener* listener);
  // Removes the first occurrence; an unknown listener is ignored.
  virtual void removeUIEventListener(UIEventListener* listener);
  virtual void addProgressEventListener(ProgressEventListener* listener);
  virtual void removeProgressEventListener(ProgressEventListener* listener);
  virtual void fireUIEvent(UIEvent& event);
  virtual void fireProgressEvent(ProgressEvent& event);
  // Appends this queue's progress listeners, then its UI listeners, to other's
  // lists; this queue is unchanged. Copying a queue into itself doubles it.
  virtual void copyEventListner(EventQueue& other);

 private:
  EventQueueImpl* getImpl() const;
  mutable EventQueueImpl* impl_;
};

class IProgressEvent {
 public:
  virtual const IString& getCurrentStatusText() const = 0;
  virtual int getCurrentStatusValue() const = 0;
  virtual int getMaxStatusValue() const = 0;
  virtual const IString& getStatusValueUnitText() const = 0;
  virtual const IString& getTitle() const = 0;
  // Asks the firer to stop; nothing clears the flag again.
  virtual void doCancel() = 0;
  virtual bool isCancel() const = 0;
};

struct ProgressEventImpl;

class NOXUTIL_API ProgressEvent : public IProgressEvent {
 public:
  ProgressEvent();
  virtual ~ProgressEvent();
  NOX_NON_COPYABLE(ProgressEvent);

  const IString& getCurrentStatusText() const override;
  int getCurrentStatusValue() const override;
  int getMaxStatusValue() const override;
  const IString& getStatusValueUnitText() const override;
  const IString& getTitle() const override;
  void doCancel() override;
  bool isCancel() const override;

  virtual void setCurrentStatusText(const char* text);
  // Negative values may serve the firer as markers.
  virtual void setCurrentStatusValue(int value);
  virtual void setMaxStatusValue(int value);
  virtual void setStatusValueUnitText(const char* text);
  virtual void setTitle(const char* title);

 private:
  ProgressEventImpl* getImpl() const;
  mutable ProgressEventImpl* impl_;
};

class IUIEvent {
 public:
  virtual IConfigrations& getConfigrations() = 0;
};

struct UIEventImpl;

// A question to the host. The list does not own its items: the firer creates
// them, reads the answers after the fire and destroys them.
class NOXUTIL_API UIEvent : public IUIEvent {
 public:
  UIEvent();
  virtual ~UIEvent();
  NOX_NON_COPYABLE(UIEvent);

  IConfigrations& getConfigrations() override;
  virtual Configrations& getConfigrationsImpl();

 private:
  UIEventImpl* getImpl() const;
  mutable UIEventImpl* impl_;
};
