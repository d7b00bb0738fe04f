#include "Explain.h"

#include <cstdio>

namespace host {

namespace {

// Result codes of the archive engine.
enum : unsigned int {
  kNoFolder = 1,
  kInvalidArgument = 2,
  kOpenFailed = 3,
  kPathNotFound = 4,
  kLockFailed = 5,
  kNoMemory = 6,
  kSeekFailed = 7,
  kSharingViolation = 8,
  kDiskFull = 9,
  kReadFailed = 10,
  kWriteFailed = 11,
  kCompressFailed = 12,
  kFileTooLarge = 13,
  kCancelled = 14,
  kWriteProtected = 15,
  kNotReady = 16,
};

const unsigned long long kPartOverhead = 88 + 8;  // part header and back distance
const unsigned int kMaxParts = 10000;

const char kSharingAdvice[] =
    "a file in the result is open in another program (sharing violation): close it and run again";

std::string format(const char* pattern, unsigned long long a, unsigned long long b = 0) {
  char text[256];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

std::string where(const FailureContext& context) {
  return context.target.empty() ? std::string() : " in " + context.target;
}

std::string splitAdvice(const FailureContext& context, int kib) {
  return context.console ? format("use --split %llu or larger", static_cast<unsigned long long>(kib))
                         : format("choose parts of %llu KiB or larger", static_cast<unsigned long long>(kib));
}

// Failures of the split, by the archive engine's result code.
std::string splitFailure(unsigned int code, const FailureContext& context) {
  switch (code) {
    case kInvalidArgument:
      if (!onDriveLetter(context.target))
        return "the target folder must be on a drive letter (A:\\, D:\\Parts) to be split into parts, not " +
               context.target;
      if (context.splitKiB > 0 && static_cast<unsigned long long>(context.splitKiB) * 1024 <
                                      context.selfExtractorBytes + kPartOverhead)
        return partTooSmallText(context.splitKiB, context.selfExtractorBytes, context.console);
      return format("the result would need more than %llu parts of %llu KiB; ", kMaxParts,
                    static_cast<unsigned long long>(context.splitKiB)) +
             (context.console ? "use a larger --split" : "choose larger parts");
    case kNoMemory:
      return format("there is not enough memory for parts of %llu KiB; ",
                    static_cast<unsigned long long>(context.splitKiB)) +
             (context.console ? "use a smaller --split" : "choose smaller parts");
    case kOpenFailed:
      return "the packed result could not be opened to split it (the archive was not made)";
    case kReadFailed:
      return "the packed result could not be read while it was split into parts";
    default:
      return "";
  }
}

// Failures of packing, by the archive engine's result code.
std::string packingFailure(unsigned int code, const FailureContext& context) {
  switch (code) {
    case kNoFolder:
      return "there was no folder to pack (a fault of the program)";
    case kInvalidArgument:
      return "the archive was set up wrongly (a fault of the program)";
    case kOpenFailed:
      return "a file of the result could not be opened for packing";
    case kPathNotFound:
      return "a folder of the result disappeared while it was packed";
    case kLockFailed:
      return "the system refused an internal handle while packing: close other programs and run again";
    case kNoMemory:
      return "the computer ran out of memory while packing: close other programs and run again";
    case kSeekFailed:
      return "a file could not be positioned while packing (seek error)";
    case kSharingViolation:
      return kSharingAdvice;
    case kDiskFull:
      return "the disk is full: free some space in the temporary folder and" + where(context) +
             ", then run again";
    case kReadFailed:
      return "a file or folder of the result could not be read while packing";
    case kWriteFailed:
      return "the archive could not be written in the temporary folder";
    case kCompressFailed:
      return "a file of the result could not be compressed";
    case kFileTooLarge:
      return std::string("a file in the result is 4 GB or larger, more than an archive can hold; ") +
             (context.console ? "use --no-compress" : "choose a plain folder");
    case kCancelled:
      return "packing was stopped";
    case kWriteProtected:
      return "the disk is write-protected: release the write protection or use another disk";
    case kNotReady:
      return "the drive is not ready: insert a disk";
    default:
      return format("packing failed (archive code %llu)", code);
  }
}

std::string fileDeviceFailure(const ErrorFacts& error, const FailureContext& context) {
  const std::string& method = error.method;
  std::string words = systemErrorWords(error.lastError);
  if (error.lastError == 32) return kSharingAdvice;
  if (method == "concatSelfEx" && error.id == 5 && context.splitKiB > 0) {
    std::string text = splitFailure(error.returnValue, context);
    if (!text.empty()) return text;
    return packingFailure(error.returnValue, context);
  }
  if (method == "createArchive") return packingFailure(error.returnValue, context);
  if (method == "open" && error.file.find("XMLSerializer") != std::string::npos)
    return "a data file of the result could not be created in the temporary folder: " + words;
  if (method == "open")
    return "the result document could not be created" +
           (context.compress ? std::string(" in the temporary folder") : where(context)) + ": " + words;
  if (method == "write") return "the result document could not be written: " + words;
  if (method.compare(0, 9, "copyFile(") == 0) {
    std::string source =
        method.substr(9, method.find(", ") == std::string::npos ? std::string::npos : method.find(", ") - 9);
    return "a file the plug-ins collected could not be copied into the result (" + source + "): " + words;
  }
  if (method == "concatSelfEx") {
    if (error.id == 5 && error.lastError == 2)
      return "the packed result could not be opened to make NoxResult.exe (the archive was not made)";
    return "the self-extracting program NoxResult.exe could not be " +
           std::string(error.id == 5 ? "created" : "written") + where(context) + ": " + words;
  }
  if (method == "setFileName")
    return "no temporary folder could be made for the result in the work folder: " + words;
  return "the result could not be written: " + words;
}

}  // namespace

bool onDriveLetter(const std::string& folder) {
  return folder.size() >= 2 && folder[1] == ':' &&
         ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
}

int smallestPartKiB(unsigned long long selfExtractorBytes) {
  return static_cast<int>((selfExtractorBytes + kPartOverhead + 1023) / 1024);
}

std::string partTooSmallText(int partKiB, unsigned long long selfExtractorBytes, bool console) {
  int smallest = smallestPartKiB(selfExtractorBytes);
  FailureContext context;
  context.console = console;
  return format("the part size (%llu KiB) is smaller than the self-extracting program (%llu KiB); ",
                static_cast<unsigned long long>(partKiB), static_cast<unsigned long long>(smallest)) +
         splitAdvice(context, smallest);
}

std::string systemErrorWords(unsigned int code) {
  switch (code) {
    case 0:
      return "no system error was recorded";
    case 2:
      return "the file was not found";
    case 3:
      return "the folder does not exist";
    case 5:
      return "access is denied";
    case 8:
    case 14:
      return "not enough memory";
    case 15:
      return "the drive does not exist";
    case 19:
      return "the disk is write-protected";
    case 21:
      return "the drive is not ready (is a disk in it?)";
    case 32:
      return "the file is open in another program (sharing violation)";
    case 33:
      return "part of the file is locked by another program";
    case 39:
    case 112:
      return "the disk is full";
    case 53:
    case 67:
      return "the network path was not found";
    case 80:
    case 183:
      return "a file of that name exists";
    case 123:
    case 161:
      return "the name is not a valid file or folder name";
    case 206:
      return "the path is too long";
    case 1785:
      return "the disk is not formatted";
    case 1812:
    case 1813:
      return "the self-extracting program is missing from NoxCore.dll";
    default:
      return format("system error %llu", code);
  }
}

bool stoppedByUser(const ErrorFacts& error) {
  return error.id == 5 && error.returnValue == kCancelled && error.className == "FileDevice" &&
         (error.method == "concatSelfEx" || error.method == "createArchive");
}

std::string explainFailure(const ErrorFacts& error, const FailureContext& context) {
  if (error.className == "FileDevice" && (error.id == 5 || error.id == 6))
    return fileDeviceFailure(error, context);
  switch (error.id) {
    case 0:
      if (error.className == "SystemReporter")
        return "the core was used before it was ready (a fault of the program)";
      return "a plug-in module could not be loaded or is incomplete: reinstall the program";
    case 1:
      return "a value was out of range in " + error.className + "::" + error.method +
             " (a fault of the program)";
    case 2:
      return "the computer ran out of memory (or a system module could not be loaded): close other programs "
             "and run again";
    case 3:
      return "a registry value could not be read";
    case 4:
      return "a registry key could not be opened, or the serializer module lacks its getSerializer export";
    case 5:
      if (error.lastError == 32) return kSharingAdvice;
      return "a file could not be created or opened: " + systemErrorWords(error.lastError);
    case 6:
      if (error.lastError == 32) return kSharingAdvice;
      return "a file could not be written: " + systemErrorWords(error.lastError);
    case 65537:
      return "no plug-in modules (*.nxo) were found beside NoxCore.dll: the program is incomplete, reinstall "
             "it";
    case 65538:
      return "no serializer module (XML.nxw) was found beside NoxCore.dll: the program is incomplete, "
             "reinstall it";
    default:
      return format("the core failed with error ID %llu", error.id);
  }
}

std::string errorRecordText(const ErrorFacts& error) {
  char numbers[160];
  std::snprintf(numbers, sizeof numbers, "error ID %u, return value %u (0x%x), system error %u", error.id,
                error.returnValue, error.returnValue, error.lastError);
  std::string line = std::string(numbers) + ", in " + error.module + ", " + error.file + " line " +
                     std::to_string(error.line) + ", " + error.className +
                     (error.className.empty() ? "" : "::") + error.method;
  if (!error.memo.empty()) line += " (" + error.memo + ")";
  return line;
}

}  // namespace host
