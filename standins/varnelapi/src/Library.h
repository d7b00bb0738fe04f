#pragma once

// Shared pieces of the library's implementation.

#include <map>
#include <memory>
#include <new>
#include <string>

#include "VarnelApi.h"

namespace varnel {

// A lock of Windows' own (the shipping compilers have no std::mutex).
class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void lock() { EnterCriticalSection(&section_); }
  void unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class Locked {
 public:
  explicit Locked(CriticalSection& section) : section_(section) { section_.lock(); }
  ~Locked() { section_.unlock(); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  CriticalSection& section_;
};

// The live objects one kind of call hands out, by the pointer the caller holds,
// so that a stale or foreign pointer is refused instead of followed.
template <class T>
class LiveObjects {
 public:
  // Keeps `object` under `key` (a pointer into it) and returns the key.
  template <class Key>
  Key* add(std::unique_ptr<T> object, Key* key) {
    Locked lock(section_);
    objects_[key] = std::move(object);
    return key;
  }
  T* find(const void* key) {
    Locked lock(section_);
    auto it = objects_.find(key);
    return it == objects_.end() ? nullptr : it->second.get();
  }
  // Hands the object back for destruction; null when the key is not live.
  std::unique_ptr<T> take(const void* key) {
    Locked lock(section_);
    auto it = objects_.find(key);
    if (it == objects_.end()) return nullptr;
    std::unique_ptr<T> object = std::move(it->second);
    objects_.erase(it);
    return object;
  }

 private:
  CriticalSection section_;
  std::map<const void*, std::unique_ptr<T>> objects_;
};

// The live objects of one kind, for the whole process.
template <class T>
LiveObjects<T>& live() {
  static LiveObjects<T> objects;
  return objects;
}

// Runs the body of an entry point: no exception leaves the library.
template <class Body>
int guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return VARNEL_E_NO_MEMORY;
  } catch (...) {
    return VARNEL_E_PARAMETER;
  }
}

// An environment variable of the calling process; empty when unset.
std::string environment(const char* name);

}  // namespace varnel
