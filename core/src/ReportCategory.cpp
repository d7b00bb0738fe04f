#include "nox/ReportCategory.h"
#include "CoreRaise.h"
#include "nox/Memory.h"

ReportCategory::ReportCategory() : selected_(true), subCategories_(nullptr), observation_(nullptr), id_(-1) {}

ReportCategory::~ReportCategory() { noxDelete(subCategories_); }

const IString& ReportCategory::getName() { return name_; }

bool ReportCategory::isSelected() { return selected_; }

void ReportCategory::setSelected(bool selected) { selected_ = selected; }

IReportCategories* ReportCategory::getSubCategories() { return &getSubCategoriesImpl(); }

IObservation* ReportCategory::getObservation() { return observation_; }

int ReportCategory::getID() { return id_; }

void ReportCategory::setName(const char* name) { name_ = name; }

ReportCategories& ReportCategory::getSubCategoriesImpl() {
  if (!subCategories_) {
    subCategories_ = noxNew<ReportCategories>();
    if (!subCategories_) CORE_RAISE_MEMORY("ReportCategories", "getSubCategories");
  }
  return *subCategories_;
}

void ReportCategory::setObservation(IObservation* observation) { observation_ = observation; }

void ReportCategory::setID(int id) { id_ = id; }
