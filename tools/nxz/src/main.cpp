#include <cstdio>

#include "Nxz.h"
#include "StdioStream.h"

int main(int argc, char** argv) {
  StdioStream out(stdout);
  StdioStream err(stderr);
  int status = runNxz(argc, argv, out, err);
  out.flush();
  err.flush();
  return status;
}
