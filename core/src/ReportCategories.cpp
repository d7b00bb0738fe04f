#include "CoreRaise.h"
#include "nox/Memory.h"
#include "nox/ReportCategory.h"

namespace {
void destroyCategory(void* category) { noxDelete(static_cast<ReportCategory*>(category)); }
}  // namespace

ReportCategories::ReportCategories() : impl_(nullptr) {}

ReportCategories::~ReportCategories() { noxListDestroy(&impl_, destroyCategory); }

unsigned int ReportCategories::getCount() {
  return noxListCollection(&impl_, noxThisModule(), "ReportCategories")->getCount();
}

IReportCategory* ReportCategories::getItem(unsigned int index) {
  return static_cast<ReportCategory*>(
      noxListCollection(&impl_, noxThisModule(), "ReportCategories")->getItem(index));
}

void ReportCategories::add(ReportCategory* category) {
  noxListCollection(&impl_, noxThisModule(), "ReportCategories")->addItem(category);
}

void ReportCategories::removeAll() {
  noxListRemoveAllOwned(noxListCollection(&impl_, noxThisModule(), "ReportCategories"), destroyCategory);
}

ReportCategory* ReportCategories::removeItem(unsigned int index) {
  return static_cast<ReportCategory*>(
      noxListCollection(&impl_, noxThisModule(), "ReportCategories")->removeItem(index));
}
