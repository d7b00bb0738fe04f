#pragma once

#include <windows.h>
#include <winspool.h>

#include "pchelpers/Seam.h"

// The calls of the document server plug-ins that the machine basics of
// Platform do not cover: the WOW64 question (through an entry looked up at run
// time, since Windows before XP SP2 lacks it), the temporary folder, the
// process environment, the size figures of a registry key, the double-byte
// lead bytes of the ANSI code page, the pause between polls and the standard
// handles a started program inherits, and the one printer the job folders
// plug-in asks about.
class DocServerApi {
 public:
  virtual ~DocServerApi() = default;
  static DocServerApi& real();

  virtual BOOL IsWow64Process(FARPROC entry, HANDLE process, PBOOL wow64) = 0;
  virtual DWORD GetTempPathA(DWORD size, LPSTR buffer) = 0;
  virtual DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) = 0;
  virtual LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classSize, LPDWORD reserved,
                                LPDWORD subKeys, LPDWORD longestSubKey, LPDWORD longestClass, LPDWORD values,
                                LPDWORD longestValueName, LPDWORD longestValue, LPDWORD securityDescriptor,
                                PFILETIME lastWrite) = 0;
  virtual BOOL IsDBCSLeadByte(BYTE c) = 0;
  virtual void Sleep(DWORD milliseconds) = 0;
  virtual HANDLE GetStdHandle(DWORD which) = 0;

  // The port of the product's PDF printer.
  virtual BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) = 0;
  virtual BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) = 0;
  virtual BOOL ClosePrinter(HANDLE printer) = 0;
};

inline DocServerApi& currentDocServer() { return Seam<DocServerApi>::current(); }
