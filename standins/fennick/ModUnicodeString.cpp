// Stand-in for Fennick.dll: ModUnicodeString keeps UTF-16 text in a buffer of
// the process heap. See standins/README.md.
#include <windows.h>

#include <cstring>

#define VENDOR_BUILDING_FENNICK
#include "Fennick.h"

namespace {

const ModUnicodeChar kEmpty[1] = {0};

// Replaces the text with `length` characters of `text` (not terminated). On a
// failed allocation the string keeps its old text.
void assign(ModUnicodeStringData* self, const ModUnicodeChar* text, unsigned int length) {
  ModUnicodeChar* buffer = static_cast<ModUnicodeChar*>(
      HeapAlloc(GetProcessHeap(), 0, (static_cast<SIZE_T>(length) + 1) * sizeof(ModUnicodeChar)));
  if (!buffer) return;
  if (length) std::memcpy(buffer, text, length * sizeof(ModUnicodeChar));
  buffer[length] = 0;
  if (self->buffer) HeapFree(GetProcessHeap(), 0, self->buffer);
  self->buffer = buffer;
  self->length = length;
  self->capacity = length + 1;
}

unsigned int wideLength(const ModUnicodeChar* text) {
  unsigned int length = 0;
  while (text && text[length]) ++length;
  return length;
}

}  // namespace

FENNICK_API ModUnicodeStringData* NOX_VENDOR_THISCALL FennickStringConstruct(ModUnicodeStringData* self) {
  self->buffer = nullptr;
  self->length = 0;
  self->capacity = 0;
  return self;
}

// Code type 1 is UTF-8; code type 3, and any other, the system's ANSI code page.
FENNICK_API ModUnicodeStringData* NOX_VENDOR_THISCALL FennickStringConstructNarrow(ModUnicodeStringData* self,
                                                                                   const char* text,
                                                                                   ModCodeType code) {
  FennickStringConstruct(self);
  if (!text || !*text) return self;
  const UINT codePage = code == ModCodeUtf8 ? CP_UTF8 : CP_ACP;
  int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (length <= 1) return self;
  ModUnicodeChar* wide = static_cast<ModUnicodeChar*>(
      HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(length) * sizeof(ModUnicodeChar)));
  if (!wide) return self;
  MultiByteToWideChar(codePage, 0, text, -1, reinterpret_cast<LPWSTR>(wide), length);
  self->buffer = wide;
  self->length = static_cast<unsigned int>(length - 1);
  self->capacity = static_cast<unsigned int>(length);
  return self;
}

FENNICK_API ModUnicodeStringData* NOX_VENDOR_THISCALL FennickStringConstructWide(ModUnicodeStringData* self,
                                                                                 const ModUnicodeChar* text) {
  FennickStringConstruct(self);
  assign(self, text, wideLength(text));
  return self;
}

FENNICK_API void NOX_VENDOR_THISCALL FennickStringDestruct(ModUnicodeStringData* self) {
  if (self->buffer) HeapFree(GetProcessHeap(), 0, self->buffer);
  self->buffer = nullptr;
  self->length = 0;
  self->capacity = 0;
}

FENNICK_API ModUnicodeStringData* NOX_VENDOR_THISCALL FennickStringAssignWide(ModUnicodeStringData* self,
                                                                              const ModUnicodeChar* text) {
  assign(self, text, wideLength(text));
  return self;
}

FENNICK_API unsigned int NOX_VENDOR_THISCALL FennickStringLength(const ModUnicodeStringData* self) {
  return self->length;
}

FENNICK_API const ModUnicodeChar* NOX_VENDOR_THISCALL FennickStringText(const ModUnicodeStringData* self) {
  return self->buffer ? self->buffer : kEmpty;
}
