#pragma once

// The folder walk: which folders are listed in which order, where headers go
// and how paths are joined. The platform answers through FolderSource, so the
// walk itself is the same on every build.

#include <string>

#include "Format.h"

namespace verlist {

// One entry of a folder listing, valid only during the visit that hands it out.
class FolderEntry {
 public:
  virtual const char* name() const = 0;
  virtual bool isFolder() const = 0;
  // False for a folder that is only a link to another place: following links
  // can walk in circles.
  virtual bool isWalkable() const = 0;
  // Times, size and version of a file entry; `path` is its full path.
  virtual FileFacts facts(const std::string& path) const = 0;

 protected:
  ~FolderEntry() = default;
};

class FolderVisitor {
 public:
  virtual void visit(const FolderEntry& entry) = 0;

 protected:
  ~FolderVisitor() = default;
};

class FolderSource {
 public:
  // Hands every entry of `folder` except "." and ".." to `visitor` in the order
  // the listing returns them. A folder that cannot be listed hands out nothing.
  virtual void list(const std::string& folder, FolderVisitor& visitor) = 0;
  // `folder` joined with `name` by the platform's separator.
  virtual std::string join(const std::string& folder, const char* name) const = 0;
  virtual const char* lineBreak() const = 0;

 protected:
  ~FolderSource() = default;
};

// Receives the listing text in pieces; returns false once output has failed.
class TextSink {
 public:
  virtual bool write(const std::string& text) = 0;

 protected:
  ~TextSink() = default;
};

// Lists `folder` ("." when empty) and all its sub-folders. Returns false when
// the sink failed; the walk stops there, since nothing more can be delivered.
bool listTree(FolderSource& source, const std::string& folder, TextSink& sink);

// Whether `folder` ends in one of `separators`. The text is read character by
// character: the trail byte of a double-byte character (where `isLeadByte`
// says so) may equal a backslash but is no separator.
bool endsWithSeparator(const std::string& folder, const char* separators, bool (*isLeadByte)(unsigned char));

// `folder` + separator + `name`, without doubling a separator the folder
// already ends in. `endsWithSeparator` tells, for the platform's separators and
// character set, whether the folder text ends in one.
std::string joinPath(const std::string& folder, const char* name, char separator, bool endsWithSeparator);

}  // namespace verlist
