#pragma once

#include <windows.h>

#include "NoxUtilApi.h"
#include "String.h"

// The record every failure carries: where it was raised and why.
class IError {
 public:
  virtual const IString& getClassName() const = 0;
  virtual const IString& getFileName() const = 0;
  virtual unsigned int getID() const = 0;
  virtual unsigned int getLineNumber() const = 0;
  virtual const IString& getMemo() const = 0;
  virtual const IString& getMethodName() const = 0;
  virtual const IString& getModuleName() const = 0;
  virtual unsigned int getReturnValue() const = 0;
  virtual void write() = 0;
};

class IErrorRecord : public IError {
 public:
  virtual unsigned int getLastError() const = 0;
};

struct ErrorData;

class NOXUTIL_API ErrorObject : public IErrorRecord {
 public:
  ErrorObject();
  virtual ~ErrorObject();
  NOX_NON_COPYABLE(ErrorObject);

  const IString& getClassName() const override;
  const IString& getFileName() const override;
  unsigned int getID() const override;
  unsigned int getLineNumber() const override;
  const IString& getMemo() const override;
  const IString& getMethodName() const override;
  const IString& getModuleName() const override;
  unsigned int getReturnValue() const override;
  // Writes the record to the debugger output when logging is switched on.
  void write() override;
  unsigned int getLastError() const override;

  virtual void setClassName(const IString& value);
  virtual void setFileName(const IString& value);
  virtual void setID(unsigned int value);
  virtual void setLineNumber(unsigned int value);
  virtual void setMemo(const IString& value);
  virtual void setMethodName(const IString& value);
  virtual void setModuleName(const IString& value);
  virtual void setReturnValue(unsigned int value);
  void setLastError(unsigned int value);

  // Copies every field of other.
  ErrorObject& operator=(const IError& other);

 protected:
  ErrorData& getErrorData() const;

 private:
  ErrorData* impl_;
};

// What is thrown, always as a pointer. The catcher reads getError() and then
// either calls release() or throws the same pointer on.
class IException {
 public:
  virtual void release() = 0;
  virtual const IErrorRecord& getError() const = 0;
};

struct ExceptionImpl;

class NOXUTIL_API Exception : public IException {
 public:
  Exception();
  virtual ~Exception();
  NOX_NON_COPYABLE(Exception);

  // Destroys the exception and its record; does nothing for the shared
  // out-of-memory exception.
  void release() override;
  const IErrorRecord& getError() const override;
  ErrorObject& getErrorObject();

  // The one shared out-of-memory exception of the process.
  static Exception& outOfMemory();
  static void destroyOutOfMemory();

 private:
  friend struct ExceptionImpl;
  ExceptionImpl* impl_;
};

// Error IDs used by the system.
enum NoxErrorId : unsigned int {
  NOX_ERR_MODULE = 0,
  NOX_ERR_RANGE = 1,
  NOX_ERR_MEMORY = 2,
  NOX_ERR_VALUE = 3,
  NOX_ERR_KEY = 4,
  NOX_ERR_FILE_OPEN = 5,
  NOX_ERR_FILE_WRITE = 6,
  NOX_ERR_NO_OBSERVATION_PLUGIN = 65537,
  NOX_ERR_NO_SERIALIZER_PLUGIN = 65538,
};

NOX_EXTERN_C NOXUTIL_API __attribute__((noreturn)) void throwException(
    unsigned int id, unsigned int returnValue, unsigned int lastError, HMODULE module, const char* sourceFile,
    unsigned int line, const char* className, const char* methodName);

NOX_EXTERN_C NOXUTIL_API __attribute__((noreturn)) void throwMemoryException(
    HMODULE module, const char* sourceFile, unsigned int line, const char* className, const char* methodName);

// One line to the debugger output when "LOG" of section "DEBUG" in NxInfo.ini
// (Windows folder) is "TRUE"; read anew at every call. Never fails visibly.
NOX_EXTERN_C NOXUTIL_API void writeLog(unsigned int id, const char* memo, HMODULE module,
                                       const char* sourceFile, unsigned int line, const char* className,
                                       const char* methodName);

#ifdef NOX_TEST_HOOKS
// Test hook (test build of the library only): where log lines go instead of the
// debugger output (null restores it).
typedef void (*NoxLogSink)(const char* text);
NOX_EXTERN_C NOXUTIL_API void noxSetLogSink(NoxLogSink sink);
#endif
