#include "nox/Observation.h"

#include <new>

#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/Module.h"

#define RAISE_MEMORY(cls, method) throwMemoryException(noxThisModule(), __FILE__, __LINE__, cls, method)

namespace {
template <class T>
T& lazyMember(T*& slot, const char* methodName) {
  if (!slot) {
    slot = noxNew<T>();
    if (!slot) RAISE_MEMORY("ObservationImpl", methodName);
  }
  return *slot;
}
}  // namespace

struct ObservationImpl {
  Observations* subObservations = nullptr;
  Configrations* configrations = nullptr;
  // The report being built; handed over (and forgotten) when the build succeeds.
  Report* report = nullptr;
  EventQueue* eventQueue = nullptr;

  ~ObservationImpl() {
    noxDelete(subObservations);
    noxDelete(configrations);
    delete report;
    noxDelete(eventQueue);
  }

  // Reports are destroyed with delete by the lists that own them, so they are
  // made with new.
  Report& getReport() {
    if (!report) {
      report = new (std::nothrow) Report();
      if (!report) RAISE_MEMORY("ObservationImpl", "getReport");
    }
    return *report;
  }
  Observations& getSubObservationsImpl() { return lazyMember(subObservations, "getSubObservationsImpl"); }
  Configrations& getConfigrationsImpl() { return lazyMember(configrations, "getConfigrationsImpl"); }
  EventQueue& getEventQueue() { return lazyMember(eventQueue, "getEventQueue"); }
};

// ---- Observations

Observations::Observations() : impl_(nullptr) {}

Observations::~Observations() { noxListDestroy(&impl_, nullptr); }

unsigned int Observations::getCount() const {
  return noxListCollection(&impl_, noxThisModule(), "Observations")->getCount();
}

IObservation& Observations::getItem(unsigned int index) const {
  return *static_cast<Observation*>(
      noxListCollection(&impl_, noxThisModule(), "Observations")->getItem(index));
}

void Observations::addItem(Observation* item) {
  noxListCollection(&impl_, noxThisModule(), "Observations")->addItem(item);
}

Observation* Observations::removeItem(unsigned int index) {
  return static_cast<Observation*>(
      noxListCollection(&impl_, noxThisModule(), "Observations")->removeItem(index));
}

void Observations::removeAll() { noxListCollection(&impl_, noxThisModule(), "Observations")->removeAll(); }

// ---- Observation

Observation::Observation() : impl_(nullptr) {}

Observation::~Observation() { noxDelete(impl_); }

ObservationImpl* Observation::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<ObservationImpl>();
    if (!impl_) RAISE_MEMORY("Observation", "getImpl");
  }
  return impl_;
}

void Observation::addProgressEventListener(ProgressEventListener* listener) {
  getImpl()->getEventQueue().addProgressEventListener(listener);
}

void Observation::removeProgressEventListener(ProgressEventListener* listener) {
  getImpl()->getEventQueue().removeProgressEventListener(listener);
}

void Observation::addUIEventListener(UIEventListener* listener) {
  getImpl()->getEventQueue().addUIEventListener(listener);
}

void Observation::removeUIEventListener(UIEventListener* listener) {
  getImpl()->getEventQueue().removeUIEventListener(listener);
}

void Observation::fireUIEvent(UIEvent& event) { getImpl()->getEventQueue().fireUIEvent(event); }

void Observation::fireProgressEvent(ProgressEvent& event) {
  getImpl()->getEventQueue().fireProgressEvent(event);
}

IObservations& Observation::getSubObservations() { return getSubObservationsImpl(); }

Observations& Observation::getSubObservationsImpl() { return getImpl()->getSubObservationsImpl(); }

IConfigrations& Observation::getConfigrations() { return getConfigrationsImpl(); }

Configrations& Observation::getConfigrationsImpl() { return getImpl()->getConfigrationsImpl(); }

const IReport* Observation::getUnfinishedReport() const { return impl_ ? impl_->report : nullptr; }

IReport& Observation::createReport() {
  ObservationImpl* impl = getImpl();
  // A report left by a failed build was never handed out; start afresh rather
  // than observe into it a second time.
  delete impl->report;
  impl->report = nullptr;
  Report& report = impl->getReport();

  observe(report);
  Observations& subObservations = impl->getSubObservationsImpl();
  const unsigned int count = subObservations.getCount();
  for (unsigned int i = 0; i < count; ++i) {
    // Every observation makes its reports as Report objects (above), so the
    // interface a sub-observation returns is a Report.
    Report& child = static_cast<Report&>(subObservations.getItem(i).createReport());
    try {
      report.getSubReportsImpl().addItem(&child);
    } catch (...) {
      delete &child;  // it has left the sub-observation and reached no list
      throw;
    }
  }
  impl->report = nullptr;
  return report;
}
