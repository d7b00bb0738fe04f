#pragma once

// How our code reaches functions of a library built with the vendor's compiler
// (Microsoft C++). Its member functions are bound by their decorated names and
// called as plain functions taking the object first: on x86 the vendor
// compiler passes `this` in ECX and the callee removes the arguments
// (__thiscall); on x64 every call has one convention and `this` is simply the
// first argument. A member that returns a class object takes, after `this`,
// the address where it constructs the result, and returns that address.
// Static members are __cdecl.
//
// The stand-ins define these functions (VENDOR_BUILDING_<LIBRARY>); everyone
// else imports them.
#if defined(__i386__)
#define NOX_VENDOR_THISCALL __attribute__((thiscall))
#else
#define NOX_VENDOR_THISCALL
#endif
