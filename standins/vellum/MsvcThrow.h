#pragma once

// Vellum's failures leave the library as the vendor compiler's `throw` would
// send them (MsvcException.h), as objects of Vellum::Exception::Object or of
// the classes derived from it.

enum class VellumExceptionKind { Object, DatabaseNotFound, TableNotFound };

// The thrown object: the layout of Vellum::Exception::Object in this library.
struct VellumExceptionObject {
  char* message;  // owned; freed by the object's destructor
  int kind;
};

[[noreturn]] void raiseVellumException(VellumExceptionKind kind, const char* message);
