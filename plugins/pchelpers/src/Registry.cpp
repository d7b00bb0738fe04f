#include "pchelpers/Registry.h"

#include <cstring>

#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/Module.h"
#include "pchelpers/Win32ApiWrapper.h"

namespace {
const char kArraySource[] = "Include\\../src/Array";
const char kValueSource[] = "Plugins\\PCPlugin\\Src\\RegistryValue";

[[noreturn]] void raise(unsigned int id, unsigned int returnValue, const char* source, unsigned int line,
                        const char* className, const char* method) {
  throwException(id, returnValue, currentPlatform().GetLastError(), noxThisModule(), source, line, className,
                 method);
}
}  // namespace

// ---- ByteBuffer

ByteBuffer::ByteBuffer(const void* data, long length) { assign(data, length); }
ByteBuffer::ByteBuffer(const ByteBuffer& other) { assign(other.data_, other.length_); }
ByteBuffer::~ByteBuffer() { delete[] data_; }

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
  if (this != &other) assign(other.data_, other.length_);
  return *this;
}

void ByteBuffer::assign(const void* data, long length) {
  unsigned char* fresh = nullptr;
  if (length > 0) {
    fresh = new unsigned char[length];
    std::memcpy(fresh, data, static_cast<size_t>(length));
  }
  delete[] data_;
  data_ = fresh;
  length_ = length > 0 ? length : 0;
}

bool ByteBuffer::operator==(const ByteBuffer& other) const {
  return length_ == other.length_ &&
         (length_ == 0 || std::memcmp(data_, other.data_, static_cast<size_t>(length_)) == 0);
}

// ---- Array

Array::Array(const Array& other) { *this = other; }
Array::~Array() { clear(); }

Array& Array::operator=(const Array& other) {
  if (this == &other) return *this;
  resize(other.count_);
  for (int i = 0; i < other.count_; ++i) setAt(i, other.slots_[i]->getData());
  return *this;
}

void Array::getAt(int index, String& out) const {
  if (index < 0 || index >= count_)
    raise(1, static_cast<unsigned int>(index), kArraySource, 146, "Array", "getAt");
  out = *slots_[index];
}

void Array::setAt(int index, const char* text) {
  if (index < 0 || index >= count_)
    raise(1, static_cast<unsigned int>(index), kArraySource, 196, "Array", "setAt");
  *slots_[index] = text;
}

void Array::append(const char* text) {
  resize(count_ + 1);
  setAt(count_ - 1, text);
}

void Array::clear() {
  for (int i = 0; i < count_; ++i) noxDelete(slots_[i]);
  noxFree(slots_);
  slots_ = nullptr;
  count_ = 0;
}

void Array::resize(int count) {
  if (count < 0) raise(1, static_cast<unsigned int>(count), kArraySource, 226, "Array", "resize");
  if (count == 0) {
    clear();
    return;
  }
  String** table = static_cast<String**>(noxAlloc(sizeof(String*) * static_cast<size_t>(count)));
  if (!table) {
    throwMemoryException(noxThisModule(), kArraySource, 240, "Array", "resize1");
  }
  std::memset(table, 0, sizeof(String*) * static_cast<size_t>(count));
  int kept = count < count_ ? count : count_;
  for (int i = 0; i < kept; ++i) table[i] = slots_[i];
  for (int i = count; i < count_; ++i) noxDelete(slots_[i]);
  noxFree(slots_);
  slots_ = table;
  int old = count_;
  count_ = kept;
  for (int i = old; i < count; ++i) {
    slots_[i] = noxNew<String>();
    if (!slots_[i]) throwMemoryException(noxThisModule(), kArraySource, 268, "Array", "resize2");
    count_ = i + 1;
  }
  count_ = count;
}

// ---- RegistryValue

RegistryValue::RegistryValue(const RegistryValue& other) { *this = other; }
RegistryValue::~RegistryValue() { becomeKind(KIND_NONE); }

RegistryValue& RegistryValue::operator=(const RegistryValue& other) {
  if (this == &other) return *this;
  switch (other.kind_) {
    case KIND_BINARY:
      setBinaryValue(*other.binary_);
      break;
    case KIND_DWORD:
      setDWORDValue(other.dword_);
      break;
    case KIND_MULTI_STRING:
      setMultiStringValue(*other.multiString_);
      break;
    case KIND_STRING:
      setStringValue(other.string_->getData());
      break;
    default:
      becomeKind(KIND_NONE);
  }
  name_ = other.name_;
  return *this;
}

void RegistryValue::becomeKind(Kind kind) {
  delete binary_;
  delete multiString_;
  delete string_;
  binary_ = nullptr;
  multiString_ = nullptr;
  string_ = nullptr;
  dword_ = 0;
  kind_ = kind;
  if (kind == KIND_BINARY) binary_ = new ByteBuffer();
  if (kind == KIND_MULTI_STRING) multiString_ = new Array();
  if (kind == KIND_STRING) string_ = new String();
}

const ByteBuffer& RegistryValue::getBinaryValue() const {
  if (kind_ != KIND_BINARY) raise(3, 0, kValueSource, 100, "RegistryValue", "getBinaryValue");
  return *binary_;
}

DWORD RegistryValue::getDWORDValue() const {
  if (kind_ != KIND_DWORD) raise(3, 0, kValueSource, 115, "RegistryValue", "getDWORDValue");
  return dword_;
}

const Array& RegistryValue::getMultiStringValue() const {
  if (kind_ != KIND_MULTI_STRING) raise(3, 0, kValueSource, 139, "RegistryValue", "getMultiStringValue");
  return *multiString_;
}

const String& RegistryValue::getStringValue() const {
  if (kind_ != KIND_STRING) raise(3, 0, kValueSource, 154, "RegistryValue", "getStringValue");
  return *string_;
}

void RegistryValue::setBinaryValue(const ByteBuffer& value) {
  ByteBuffer copy(value);
  becomeKind(KIND_BINARY);
  *binary_ = copy;
}

void RegistryValue::setDWORDValue(DWORD value) {
  becomeKind(KIND_DWORD);
  dword_ = value;
}

void RegistryValue::setMultiStringValue(const Array& value) {
  Array copy(value);
  becomeKind(KIND_MULTI_STRING);
  *multiString_ = copy;
}

void RegistryValue::setStringValue(const char* value) {
  String copy(value);
  becomeKind(KIND_STRING);
  *string_ = copy;
}

// ---- RegistryKey

RegistryKey::RegistryKey(const RegistryKey& other)
    : root_(other.root_), path_(other.path_), subKeyIndex_(0), valueIndex_(0) {}

RegistryKey& RegistryKey::operator=(const RegistryKey& other) {
  if (this == &other) return *this;
  close();
  root_ = other.root_;
  path_ = other.path_;
  return *this;
}

RegistryKey::~RegistryKey() {
  if (key_) Win32ApiWrapper().RegCloseKey(key_);
}

void RegistryKey::open(HKEY root, const char* path) {
  if (key_) {
    Win32ApiWrapper().RegCloseKey(key_);
    key_ = nullptr;
  }
  if (!path || !*path) return;
  HKEY opened = nullptr;
  if (Win32ApiWrapper().RegOpenKeyExA(root, path, 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
  key_ = opened;
  root_ = root;
  path_ = path;
  subKeyIndex_ = 0;
  valueIndex_ = 0;
}

void RegistryKey::reopen() {
  if (key_) {
    Win32ApiWrapper().RegCloseKey(key_);
    key_ = nullptr;
  }
  if (path_.length() == 0 || !root_) return;
  HKEY opened = nullptr;
  if (Win32ApiWrapper().RegOpenKeyExA(root_, path_.getData(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
  key_ = opened;
  subKeyIndex_ = 0;
  valueIndex_ = 0;
}

void RegistryKey::close() {
  if (key_) Win32ApiWrapper().RegCloseKey(key_);
  key_ = nullptr;
  path_.empty();
  root_ = nullptr;
}

RegistryKey RegistryKey::nextSubKey() {
  RegistryKey sub;
  if (!key_) return sub;
  char name[256] = {};
  DWORD size = sizeof name;
  if (Win32ApiWrapper().RegEnumKeyExA(key_, subKeyIndex_, name, &size, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return sub;
  }
  ++subKeyIndex_;
  sub.root_ = key_;
  sub.path_ = name;
  return sub;
}

RegistryValue RegistryKey::queryValue(const char* name) {
  RegistryValue value;
  if (!name || !*name || !key_) return value;
  Win32ApiWrapper api;
  DWORD size = 0;
  if (api.RegQueryValueExA(key_, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return value;
  // One spare zero byte so a string without its terminator still ends.
  DWORD capacity = size + 1;
  unsigned char* data = new unsigned char[capacity]();
  DWORD type = 0;
  DWORD length = size;
  if (api.RegQueryValueExA(key_, name, nullptr, &type, data, &length) != ERROR_SUCCESS || length > size) {
    delete[] data;
    return value;
  }
  switch (type) {
    case REG_SZ:
      value.setStringValue(reinterpret_cast<char*>(data));
      break;
    case REG_BINARY:
      value.setBinaryValue(ByteBuffer(data, static_cast<long>(length)));
      break;
    case REG_DWORD: {
      DWORD number = 0;
      std::memcpy(&number, data, length < sizeof number ? length : sizeof number);
      value.setDWORDValue(number);
      break;
    }
    case REG_MULTI_SZ: {
      Array strings;
      for (DWORD offset = 0; offset + 1 < length;) {
        const char* text = reinterpret_cast<char*>(data + offset);
        // The empty text that closes the data is the list's terminator ("\0\0" alone
        // is an empty list); an empty text between others is one of the strings.
        if (*text == '\0' && offset + 2 >= length) break;
        strings.append(text);
        offset += static_cast<DWORD>(std::strlen(text)) + 1;
      }
      value.setMultiStringValue(strings);
      break;
    }
    default:
      break;
  }
  value.setName(name);
  delete[] data;
  return value;
}

RegistryValue RegistryKey::nextValue() {
  if (!key_) return RegistryValue();
  char name[256] = {};
  DWORD size = sizeof name;
  if (Win32ApiWrapper().RegEnumValueA(key_, valueIndex_, name, &size, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return RegistryValue();
  }
  RegistryValue value = queryValue(name);
  ++valueIndex_;
  return value;
}
