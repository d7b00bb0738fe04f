#pragma once

// What verlist needs from the operating system: the folder listing with the
// facts of each file, the command-line folder, and the standard output stream.
// One implementation per platform (PlatformWin32.cpp, PlatformPosix.cpp).

#include <string>

#include "Walk.h"

namespace verlist {

FolderSource& platformFolderSource();

// The folder the command-line argument names.
std::string folderArgument(const char* argument);

// Standard output, written byte for byte (no line-break translation).
TextSink& standardOutput();

}  // namespace verlist
