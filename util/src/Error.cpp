#include "nox/Error.h"

#include <cstring>

#include "Internal.h"
#include "nox/Memory.h"

struct ErrorData {
  String className;
  String fileName;
  unsigned int id = 0;
  unsigned int lineNumber = 0;
  String memo;
  String methodName;
  String moduleName;
  unsigned int returnValue = 0;
  unsigned int lastError = 0;
};

struct ExceptionImpl {
  ErrorObject error;
  bool shared = false;
};

namespace {
Exception* g_outOfMemory = nullptr;
#ifdef NOX_TEST_HOOKS
NoxLogSink g_logSink = nullptr;
#endif

void emit(const char* text) {
#ifdef NOX_TEST_HOOKS
  if (g_logSink) {
    g_logSink(text);
    return;
  }
#endif
  OutputDebugStringA(text);
}

String moduleBaseName(HMODULE module) {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  path[n < MAX_PATH ? n : MAX_PATH] = '\0';
  return String(noxBaseNameOf(path));
}

bool loggingEnabled() {
  char value[8] = {};
  GetPrivateProfileStringA("DEBUG", "LOG", "FALSE", value, sizeof(value), "NxInfo.ini");
  return lstrcmpiA(value, "TRUE") == 0;
}

void writeRecord(const IError& record) {
  String line;
  line.format("%s:(%d), RETURN: %xID: %x%s\r\n", record.getFileName().getData(), record.getLineNumber(),
              record.getReturnValue(), record.getID(), record.getMemo().getData());
  emit(line.getData());
}

void fill(ErrorObject& record, unsigned int id, unsigned int returnValue, unsigned int lastError,
          HMODULE module, const char* sourceFile, unsigned int line, const char* className,
          const char* methodName) {
  record.setID(id);
  record.setReturnValue(returnValue);
  record.setMemo(String());
  record.setLastError(lastError);
  record.setModuleName(moduleBaseName(module));
  record.setFileName(String(noxBaseNameOf(sourceFile ? sourceFile : "")));
  record.setLineNumber(line);
  record.setClassName(String(className));
  record.setMethodName(String(methodName));
}
}  // namespace

const char* noxBaseNameOf(const char* path) {
  const char* base = path;
  for (const char* p = path; *p;) {
    if (noxIsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
      p += 2;
      continue;
    }
    if (*p == '\\' && p != path) base = p + 1;
    ++p;
  }
  return base;
}

ErrorObject::ErrorObject() : impl_(noxNew<ErrorData>()) {
  if (!impl_) NOX_RAISE_MEMORY("ErrorObject", "ErrorObject");
}

ErrorObject::~ErrorObject() { noxDelete(impl_); }

ErrorData& ErrorObject::getErrorData() const { return *impl_; }

const IString& ErrorObject::getClassName() const { return impl_->className; }
const IString& ErrorObject::getFileName() const { return impl_->fileName; }
unsigned int ErrorObject::getID() const { return impl_->id; }
unsigned int ErrorObject::getLineNumber() const { return impl_->lineNumber; }
const IString& ErrorObject::getMemo() const { return impl_->memo; }
const IString& ErrorObject::getMethodName() const { return impl_->methodName; }
const IString& ErrorObject::getModuleName() const { return impl_->moduleName; }
unsigned int ErrorObject::getReturnValue() const { return impl_->returnValue; }
unsigned int ErrorObject::getLastError() const { return impl_->lastError; }

void ErrorObject::write() {
  if (loggingEnabled()) writeRecord(*this);
}

void ErrorObject::setClassName(const IString& value) { impl_->className = value; }
void ErrorObject::setFileName(const IString& value) { impl_->fileName = value; }
void ErrorObject::setID(unsigned int value) { impl_->id = value; }
void ErrorObject::setLineNumber(unsigned int value) { impl_->lineNumber = value; }
void ErrorObject::setMemo(const IString& value) { impl_->memo = value; }
void ErrorObject::setMethodName(const IString& value) { impl_->methodName = value; }
void ErrorObject::setModuleName(const IString& value) { impl_->moduleName = value; }
void ErrorObject::setReturnValue(unsigned int value) { impl_->returnValue = value; }
void ErrorObject::setLastError(unsigned int value) { impl_->lastError = value; }

ErrorObject& ErrorObject::operator=(const IError& other) {
  if (&other == this) return *this;
  setClassName(other.getClassName());
  setFileName(other.getFileName());
  setID(other.getID());
  setLineNumber(other.getLineNumber());
  setMemo(other.getMemo());
  setMethodName(other.getMethodName());
  setModuleName(other.getModuleName());
  setReturnValue(other.getReturnValue());
  return *this;
}

Exception::Exception() : impl_(noxNew<ExceptionImpl>()) {
  if (!impl_) NOX_RAISE_MEMORY("Exception", "Exception");
}

Exception::~Exception() { noxDelete(impl_); }

void Exception::release() {
  if (!impl_->shared) delete this;
}

const IErrorRecord& Exception::getError() const { return impl_->error; }

ErrorObject& Exception::getErrorObject() { return impl_->error; }

Exception& Exception::outOfMemory() {
  if (!g_outOfMemory) {
    // Made while memory is still plentiful (at library start); never through the
    // allocation hooks, so the shared exception exists even when they refuse.
    NoxAllocationBypass bypass;
    g_outOfMemory = new Exception();
    g_outOfMemory->impl_->shared = true;
  }
  return *g_outOfMemory;
}

void Exception::destroyOutOfMemory() {
  delete g_outOfMemory;
  g_outOfMemory = nullptr;
}

void throwException(unsigned int id, unsigned int returnValue, unsigned int lastError, HMODULE module,
                    const char* sourceFile, unsigned int line, const char* className,
                    const char* methodName) {
  Exception* exception = new Exception();
  fill(exception->getErrorObject(), id, returnValue, lastError, module, sourceFile, line, className,
       methodName);
  exception->getErrorObject().write();
  throw exception;
}

void throwMemoryException(HMODULE module, const char* sourceFile, unsigned int line, const char* className,
                          const char* methodName) {
  static bool filling = false;
  unsigned int lastError = GetLastError();
  Exception& exception = Exception::outOfMemory();
  if (!filling) {
    // The record's texts need a few bytes; take them past the test hook, and if
    // even they are refused, throw the record as far as it got.
    filling = true;
    NoxAllocationBypass bypass;
    try {
      fill(exception.getErrorObject(), NOX_ERR_MEMORY, 0, lastError, module, sourceFile, line, className,
           methodName);
      exception.getErrorObject().write();
    } catch (IException*) {
    }
    filling = false;
  }
  throw &exception;
}

void writeLog(unsigned int id, const char* memo, HMODULE module, const char* sourceFile, unsigned int line,
              const char* className, const char* methodName) {
  try {
    if (!loggingEnabled()) return;
    ErrorObject record;
    fill(record, id, 0, 0, module, sourceFile, line, className, methodName);
    record.setMemo(String(memo));
    writeRecord(record);
  } catch (IException* e) {
    e->release();
  }
}

#ifdef NOX_TEST_HOOKS
void noxSetLogSink(NoxLogSink sink) { g_logSink = sink; }
#endif
