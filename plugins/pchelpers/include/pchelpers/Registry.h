#pragma once

#include "nox/String.h"
#include "pchelpers/Platform.h"

// An owned copy of a run of bytes. Empty buffers hold no storage.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const void* data, long length);
  ByteBuffer(const ByteBuffer& other);
  ByteBuffer& operator=(const ByteBuffer& other);
  ~ByteBuffer();

  const unsigned char* getData() const { return data_; }
  long getLength() const { return length_; }
  bool operator==(const ByteBuffer& other) const;

 private:
  void assign(const void* data, long length);
  unsigned char* data_ = nullptr;
  long length_ = 0;
};

// A growable sequence of owned strings; every slot holds one (new slots empty).
// Index errors raise ID 1 naming "getAt"/"setAt"/"resize".
class Array {
 public:
  Array() = default;
  Array(const Array& other);
  Array& operator=(const Array& other);
  ~Array();

  int getCount() const { return count_; }
  String* const* getSlots() const { return slots_; }
  void getAt(int index, String& out) const;
  void setAt(int index, const char* text);
  void append(const char* text);
  void resize(int count);
  void clear();

 private:
  int count_ = 0;
  String** slots_ = nullptr;
};

// A registry value read into a typed payload. Valid when it has a kind and a name.
class RegistryValue {
 public:
  enum Kind { KIND_NONE = 0, KIND_BINARY = 1, KIND_DWORD = 2, KIND_MULTI_STRING = 3, KIND_STRING = 4 };

  RegistryValue() = default;
  RegistryValue(const RegistryValue& other);
  RegistryValue& operator=(const RegistryValue& other);
  ~RegistryValue();

  Kind getKind() const { return kind_; }
  const String& getName() const { return name_; }
  void setName(const char* name) { name_ = name; }
  bool isValid() const { return kind_ != KIND_NONE && name_.length() > 0; }

  // Each getter raises ID 3 when the value is of another kind.
  const ByteBuffer& getBinaryValue() const;
  DWORD getDWORDValue() const;
  const Array& getMultiStringValue() const;
  const String& getStringValue() const;

  void setBinaryValue(const ByteBuffer& value);
  void setDWORDValue(DWORD value);
  void setMultiStringValue(const Array& value);
  void setStringValue(const char* value);

 private:
  // Releases the old payload and creates an empty one of the new kind.
  void becomeKind(Kind kind);

  String name_;
  Kind kind_ = KIND_NONE;
  DWORD dword_ = 0;
  ByteBuffer* binary_ = nullptr;
  Array* multiString_ = nullptr;
  String* string_ = nullptr;
};

// A read-only registry key with separate sub-key and value enumeration positions.
// Registry failures never raise: the key stays closed, a value comes back empty.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey& other);
  RegistryKey& operator=(const RegistryKey& other);
  ~RegistryKey();

  void open(HKEY root, const char* path);
  void reopen();
  void close();
  bool isOpen() const { return key_ != nullptr; }
  const String& getPath() const { return path_; }

  // The next sub-key, closed (call reopen() on it); an empty key (no path) ends the walk.
  RegistryKey nextSubKey();
  RegistryValue queryValue(const char* name);
  // The next value; an empty one (kind none, no name) ends the walk.
  RegistryValue nextValue();

 private:
  HKEY root_ = nullptr;
  String path_;
  HKEY key_ = nullptr;
  DWORD subKeyIndex_ = 0;
  DWORD valueIndex_ = 0;
};
