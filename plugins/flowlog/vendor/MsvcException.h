#pragma once

// C++ exceptions of the vendor's compiler (Microsoft C++), as they travel:
// `throw` calls RaiseException with the code below and, as its parameters, the
// magic number, the thrown object, its throw information and (x64) the base
// address of the throwing module. The throw information names the object's
// destructor and every type a handler may catch it as (the object's own class
// first, then its bases). On x64 every reference in these records is an offset
// from that base address; on x86 it is the address itself.

#include <cstdint>

constexpr unsigned long kMsvcExceptionCode = 0xE06D7363;  // 0xE0000000 | "msc"
constexpr uintptr_t kMsvcMagic = 0x19930520;              // also 0x19930521 and 0x19930522
constexpr uintptr_t kMsvcMagicLast = 0x19930522;

typedef uint32_t MsvcReference;

struct MsvcTypeDescriptor {
  const void* typeInfoTable;
  void* spare;
  char name[1];  // decorated: ".?AV" class "@" scopes "@@", NUL-terminated
};

struct MsvcCatchableType {
  uint32_t properties;
  MsvcReference type;  // MsvcTypeDescriptor
  int32_t memberOffset;
  int32_t virtualBaseTable;
  int32_t virtualBaseOffset;
  uint32_t size;
  MsvcReference copy;
};

struct MsvcCatchableTypeArray {
  int32_t count;
  MsvcReference types[1];  // MsvcCatchableType, `count` of them
};

struct MsvcThrowInfo {
  uint32_t attributes;
  MsvcReference destroy;  // the object's destructor (this in ECX on x86), or 0
  MsvcReference forwardCompatibility;
  MsvcReference catchableTypes;  // MsvcCatchableTypeArray
};

// Decorated type names of the Vellum client's exceptions.
constexpr char kVellumObjectException[] = ".?AVObject@Exception@Vellum@@";
constexpr char kVellumDatabaseNotFound[] = ".?AVDatabaseNotFound@Exception@Vellum@@";
constexpr char kVellumTableNotFound[] = ".?AVTableNotFound@Exception@Vellum@@";
