#pragma once

#include "nox/Collection.h"
#include "nox/NoxUtilApi.h"
#include "nox/Observation.h"
#include "nox/String.h"

class IReportCategories;
class Plugins;

// A category or sub-category as the host sees it. A sub-category stands for one
// loaded observation plug-in; a top-level category has no observation and ID -1.
class IReportCategory {
 public:
  virtual const IString& getName() = 0;
  virtual bool isSelected() = 0;
  virtual void setSelected(bool selected) = 0;
  virtual IReportCategories* getSubCategories() = 0;
  virtual IObservation* getObservation() = 0;
  virtual int getID() = 0;
};

class IReportCategories {
 public:
  virtual unsigned int getCount() = 0;
  virtual IReportCategory* getItem(unsigned int index) = 0;
};

class ReportCategories;

class ReportCategory : public IReportCategory {
 public:
  ReportCategory();
  // Destroys the sub-categories; the observation belongs to its plug-in.
  virtual ~ReportCategory();
  NOX_NON_COPYABLE(ReportCategory);

  const IString& getName() override;
  bool isSelected() override;
  void setSelected(bool selected) override;
  IReportCategories* getSubCategories() override;
  IObservation* getObservation() override;
  int getID() override;

  virtual void setName(const char* name);
  virtual ReportCategories& getSubCategoriesImpl();
  virtual void setObservation(IObservation* observation);
  virtual void setID(int id);

 private:
  bool selected_;
  String name_;
  ReportCategories* subCategories_;
  IObservation* observation_;
  int id_;
};

// Categories in insertion order. The list owns them: removeAll and the
// destructor destroy them; removeItem hands one back.
class ReportCategories : public IReportCategories {
 public:
  ReportCategories();
  virtual ~ReportCategories();
  NOX_NON_COPYABLE(ReportCategories);

  unsigned int getCount() override;
  IReportCategory* getItem(unsigned int index) override;

  void add(ReportCategory* category);
  void removeAll();
  ReportCategory* removeItem(unsigned int index);

 private:
  mutable Collection* impl_;
};

// Builds the category tree once from the settings file NxInfo.ini beside the
// main executable, against the loaded observation plug-ins.
class CategoryProvider {
 public:
  CategoryProvider();
  virtual ~CategoryProvider();
  NOX_NON_COPYABLE(CategoryProvider);

  // Does nothing once the tree exists. Missing files, sections and keys take
  // their defaults; a key naming a module that is not loaded is ignored.
  // Failures of the plug-ins' getInformation and getObservation propagate and
  // leave no tree behind.
  void createCategories(Plugins& observationPlugins);
  // The top-level list; null before createCategories.
  ReportCategories* getReportCategories();

  // The settings file read; by default NxInfo.ini in the main executable's
  // folder. Tests point it elsewhere.
  const IString& getSettingsFile() const;
  void setSettingsFile(const char* path);

 private:
  ReportCategories* categories_;
  String settingsFile_;
};
