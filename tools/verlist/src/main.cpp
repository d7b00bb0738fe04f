// verlist FOLDER: prints the times, size, version and path of every file in
// FOLDER and its sub-folders.

#include <cstdio>
#include <new>

#include "Platform.h"
#include "Walk.h"

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  try {
    if (!verlist::listTree(verlist::platformFolderSource(), verlist::folderArgument(argv[1]),
                           verlist::standardOutput())) {
      // A cut-off listing must not look like a complete one to whoever started us.
      std::fputs("verlist: the listing could not be written\n", stderr);
      return 1;
    }
  } catch (const std::bad_alloc&) {
    std::fputs("verlist: out of memory\n", stderr);
    return 1;
  }
  return 0;
}
