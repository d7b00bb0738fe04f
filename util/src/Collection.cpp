#include "nox/Collection.h"

#include <cstring>

#include "Internal.h"
#include "nox/Memory.h"

struct CollectionImpl {
  void** items = nullptr;
  unsigned int count = 0;
  unsigned int capacity = 0;

  // Grows to at least `needed` entries by doubling; the list is unchanged on failure.
  void setSize(unsigned int needed) {
    if (needed <= capacity) return;
    unsigned int grown = capacity == 0 ? 2 : capacity * 2;
    while (grown < needed) grown *= 2;
    void** fresh = static_cast<void**>(noxAlloc(sizeof(void*) * grown));
    if (!fresh) NOX_RAISE_MEMORY("CollectionImpl", "setSize");
    if (count) std::memcpy(fresh, items, sizeof(void*) * count);
    noxFree(items);
    items = fresh;
    capacity = grown;
  }
};

Collection::Collection() : impl_(nullptr) {}

Collection::~Collection() {
  if (impl_) {
    noxFree(impl_->items);
    noxDelete(impl_);
  }
}

CollectionImpl* Collection::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<CollectionImpl>();
    if (!impl_) NOX_RAISE_MEMORY("Collection", "getImpl");
  }
  return impl_;
}

void Collection::addItem(void* item) {
  CollectionImpl* impl = getImpl();
  impl->setSize(impl->count + 1);
  impl->items[impl->count++] = item;
}

unsigned int Collection::getCount() const { return getImpl()->count; }

unsigned int Collection::getCapacity() const { return getImpl()->capacity; }

void* Collection::getItem(unsigned int index) const {
  CollectionImpl* impl = getImpl();
  if (index >= impl->count) NOX_RAISE(NOX_ERR_RANGE, index, 0, "Collection", "getItem");
  return impl->items[index];
}

void* Collection::removeItem(unsigned int index) {
  CollectionImpl* impl = getImpl();
  if (index >= impl->count) NOX_RAISE(NOX_ERR_RANGE, index, 0, "Collection", "removeItem");
  void* item = impl->items[index];
  std::memmove(impl->items + index, impl->items + index + 1, sizeof(void*) * (impl->count - index - 1));
  --impl->count;
  return item;
}

void* Collection::removeItem(void* item) {
  CollectionImpl* impl = getImpl();
  for (unsigned int i = 0; i < impl->count; ++i) {
    if (impl->items[i] == item) return removeItem(i);
  }
  return nullptr;
}

void Collection::removeAll() { getImpl()->count = 0; }

Collection* noxListCollection(Collection** slot, HMODULE module, const char* listClassName) {
  if (!*slot) {
    *slot = noxNew<Collection>();
    if (!*slot) throwMemoryException(module, __FILE__, __LINE__, listClassName, "getImpl");
  }
  return *slot;
}

void noxListRemoveAllOwned(Collection* list, void (*destroyItem)(void*)) {
  if (!list) return;
  for (unsigned int i = list->getCount(); i-- > 0;) {
    try {
      void* item = list->removeItem(i);
      if (item) destroyItem(item);
    } catch (IException* e) {
      e->release();
    } catch (...) {
    }
  }
}

void noxListDestroy(Collection** slot, void (*destroyItem)(void*)) {
  if (!*slot) return;
  if (destroyItem) noxListRemoveAllOwned(*slot, destroyItem);
  noxDelete(*slot);
  *slot = nullptr;
}
