#pragma once

#include <windows.h>

#include "NoxUtilApi.h"

struct CollectionImpl;

// A growable list of untyped pointers. It never owns what they point to.
class NOXUTIL_API Collection {
 public:
  Collection();
  virtual ~Collection();
  NOX_NON_COPYABLE(Collection);

  void addItem(void* item);
  unsigned int getCount() const;
  // An index at or past getCount() throws error ID 1.
  void* getItem(unsigned int index) const;
  void* removeItem(unsigned int index);
  // Removes the first entry equal to item; null when item is not stored.
  void* removeItem(void* item);
  void removeAll();

  // Entries allocated; for tests of the growth rule.
  unsigned int getCapacity() const;

 private:
  CollectionImpl* getImpl() const;
  mutable CollectionImpl* impl_;
};

// The typed lists keep their Collection behind one pointer, created on first use.
// These helpers give them one implementation of that pattern.
// A failure to create the Collection raises the out-of-memory exception with the
// list's module and class name and method "getImpl".
NOX_EXTERN_C NOXUTIL_API Collection* noxListCollection(Collection** slot, HMODULE module,
                                                       const char* listClassName);
// Destroys the Collection (and, when destroyItem is given, every item first).
NOX_EXTERN_C NOXUTIL_API void noxListDestroy(Collection** slot, void (*destroyItem)(void*));
// Destroys every item from the last to the first; a failure on one item is
// swallowed and the others are still destroyed.
NOX_EXTERN_C NOXUTIL_API void noxListRemoveAllOwned(Collection* list, void (*destroyItem)(void*));
