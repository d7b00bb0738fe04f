#pragma once

#include "nox/Collection.h"
#include "nox/Configration.h"
#include "nox/Events.h"
#include "nox/PlugBaseApi.h"
#include "nox/Report.h"

class IObservations;

// One source of facts. The core talks to a plug-in's observations only through
// this interface.
class IObservation : public ProgressEventSubject, public UIEventSubject {
 public:
  // The caller takes over the returned report with its whole subtree.
  virtual IReport& createReport() = 0;
  virtual IObservations& getSubObservations() = 0;
  // The forms the plug-in wants the user to fill in before a run.
  virtual IConfigrations& getConfigrations() = 0;
};

class IObservations {
 public:
  virtual unsigned int getCount() const = 0;
  virtual IObservation& getItem(unsigned int index) const = 0;
};

class Observation;

// Does not own its observations.
class PLUGBASE_API Observations : public IObservations {
 public:
  Observations();
  virtual ~Observations();
  NOX_NON_COPYABLE(Observations);

  unsigned int getCount() const override;
  IObservation& getItem(unsigned int index) const override;
  void addItem(Observation* item);
  Observation* removeItem(unsigned int index);
  void removeAll();

 private:
  mutable Collection* impl_;
};

struct ObservationImpl;

// Base of every observation class of the plug-ins. A derived class fills its own
// report in observe(); createReport() then appends one child per
// sub-observation, in list order.
//
// Destroying an observation destroys neither its sub-observations, nor its
// forms, nor a report it has handed out.
class PLUGBASE_API Observation : public IObservation {
 public:
  Observation();
  virtual ~Observation();
  NOX_NON_COPYABLE(Observation);

  void addProgressEventListener(ProgressEventListener* listener) override;
  void removeProgressEventListener(ProgressEventListener* listener) override;
  // Each call builds and hands out a new report. An exception from observe() or
  // from a sub-observation ends the build and propagates; the half-built report
  // keeps the children added before it and stays with the observation (see
  // getUnfinishedReport), so nothing is lost or freed twice.
  IReport& createReport() override;
  IObservations& getSubObservations() override;
  IConfigrations& getConfigrations() override;
  void addUIEventListener(UIEventListener* listener) override;
  void removeUIEventListener(UIEventListener* listener) override;

  virtual Observations& getSubObservationsImpl();
  virtual Configrations& getConfigrationsImpl();
  virtual void fireUIEvent(UIEvent& event);
  virtual void fireProgressEvent(ProgressEvent& event);

  // The report of a createReport() that ended with an exception, or null. It
  // belongs to the observation and goes with the next createReport() or with
  // the observation.
  const IReport* getUnfinishedReport() const;

 protected:
  // Names the report and sets its value, attributes and children, or marks it
  // failed with setSuccess(false) and setErrorText.
  virtual void observe(Report& report) = 0;

 private:
  ObservationImpl* getImpl() const;
  mutable ObservationImpl* impl_;
};
