#pragma once

#include <string>

// Plain words for the failures the core reports, for the person running the
// host; the raw error record stays available for support staff. Portable: no
// Windows header.
namespace host {

// The fields of an error record (IErrorRecord) as plain values.
struct ErrorFacts {
  unsigned int id = 0;
  unsigned int returnValue = 0;
  unsigned int lastError = 0;
  unsigned int line = 0;
  std::string module, file, className, method, memo;
};

// What the run was asked to do, so the words can say what to change.
struct FailureContext {
  bool console = true;  // advice names command-line options; otherwise the window's fields
  bool compress = true;
  int splitKiB = 0;
  unsigned long long selfExtractorBytes = 0;
  std::string target;  // the folder the result was to go to
};

// One sentence (without a final full stop) saying what went wrong and, where
// the user can do something about it, what to do.
std::string explainFailure(const ErrorFacts& error, const FailureContext& context);

// The record in one line: ID, return value, system error, module, source,
// class and method.
std::string errorRecordText(const ErrorFacts& error);

// The user stopped packing or the media questions: the file device reports the
// archive engine's "cancelled" code (14).
bool stoppedByUser(const ErrorFacts& error);

// What a Windows error code means, in a few words ("access is denied"); a
// generic text with the number for codes not listed.
std::string systemErrorWords(unsigned int code);

// The smallest part size, in KiB, that holds the self-extractor, a part header
// and the back distance of the first part.
int smallestPartKiB(unsigned long long selfExtractorBytes);

// "the part size (N KiB) is smaller than the self-extracting program (M KiB);
// use --split M or larger".
std::string partTooSmallText(int partKiB, unsigned long long selfExtractorBytes, bool console);

// Split parts go to a folder on a drive letter; false for UNC paths and the like.
bool onDriveLetter(const std::string& folder);

}  // namespace host
