#pragma once

#include "nox/Error.h"
#include "nox/Events.h"
#include "nox/ReportCategory.h"
#include "nox/String.h"

// The one object through which a host drives the system. NoxCore.dll hands it
// out with getSystemReporter/initialize and destroys it with uninitialize; the
// host never deletes it.
class ISystemReporter : public ProgressEventSubject, public UIEventSubject {
 public:
  // Raises error ID 0 before initializeSystemReporter.
  virtual IReportCategories& getReportCategories() = 0;
  // Part size in KiB; 0 means no splitting.
  virtual int getSplitSize() = 0;
  virtual ErrorObject& getErrorObject() = 0;
  // Loads the plug-ins, reads the categories and creates the file device; acts once.
  virtual void initializeSystemReporter() = 0;
  virtual bool isCompress() = 0;
  // True when the result was written, false when a listener cancelled.
  virtual bool startObservation(const char* folder) = 0;
  virtual bool packFolder(const char* source, const char* target) = 0;
  virtual void setCompress(bool compress) = 0;
  virtual void setSplitSize(int kib) = 0;
  // A value of NxInfo.ini beside the main executable.
  virtual String& getProfileString(const char* section, const char* key, const char* fallback,
                                   String& out) = 0;
  virtual String& getResultFileName(String& out) = 0;
};

// The plain exports of NoxCore.dll.
typedef ISystemReporter* (*NoxGetSystemReporterFunction)();
typedef ISystemReporter* (*NoxInitializeFunction)();
typedef void (*NoxUninitializeFunction)();
