#pragma once

#include "nox/SystemReporter.h"

struct SystemReporterImpl;
class PluginLoader;
class CategoryProvider;
class FileDevice;

// The system reporter of NoxCore.dll: loads the plug-ins and categories, runs
// the selected observations and writes the result through its file device.
class SystemReporter : public ISystemReporter {
 public:
  SystemReporter();
  virtual ~SystemReporter();
  NOX_NON_COPYABLE(SystemReporter);

  void addProgressEventListener(ProgressEventListener* listener) override;
  void removeProgressEventListener(ProgressEventListener* listener) override;
  void addUIEventListener(UIEventListener* listener) override;
  void removeUIEventListener(UIEventListener* listener) override;
  IReportCategories& getReportCategories() override;
  int getSplitSize() override;
  ErrorObject& getErrorObject() override;
  void initializeSystemReporter() override;
  bool isCompress() override;
  bool startObservation(const char* folder) override;
  bool packFolder(const char* source, const char* target) override;
  void setCompress(bool compress) override;
  void setSplitSize(int kib) override;
  String& getProfileString(const char* section, const char* key, const char* fallback, String& out) override;
  String& getResultFileName(String& out) override;

  // For tests: where plug-ins are loaded from and which settings file is read.
  PluginLoader* getPluginLoader();
  CategoryProvider* getCategoryProvider();
  FileDevice* getFileDevice();
  void setPluginFolder(const char* folder);
  void setSettingsFile(const char* path);

 private:
  SystemReporterImpl* impl_;
};

// "GMT+0900" for a bias of -540 minutes (UTC = local + bias).
String timezoneText(long biasMinutes);

// The FileVersion text of a module's version resource; empty without one.
String moduleFileVersion(HMODULE module);
