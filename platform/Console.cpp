#include "platform/Console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

bool DiscardConsoleOutput() {
  std::fflush(stdout);
  std::fflush(stderr);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return false;
  const bool ok = ::dup2(null, STDOUT_FILENO) >= 0 && ::dup2(null, STDERR_FILENO) >= 0;
  ::close(null);
  return ok;
}
