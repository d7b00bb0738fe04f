// Stands in for "ipconfig.exe /All" in the tests: prints the listing file named
// by NOX_IPCONFIG_LISTING as it stands (Wine's own ipconfig names no DNS server).
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

int main() {
  _setmode(1, _O_BINARY);
  const char* path = std::getenv("NOX_IPCONFIG_LISTING");
  if (!path) return 1;
  FILE* file = std::fopen(path, "rb");
  if (!file) return 1;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) std::fwrite(buffer, 1, n, stdout);
  std::fclose(file);
  return 0;
}
