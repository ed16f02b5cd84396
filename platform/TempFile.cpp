#include "platform/TempFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/SysError.h"

std::FILE* CreateTempFileIn(const QByteArray& folder, QByteArray* name, uint32_t* error) {
  thread_local std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    const QByteArray candidate = folder + "/.vudeze-" + suffix + ".part";
    const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      *error =
          errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : SystemErrorFromErrno(errno);
      return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
      *error = SystemErrorFromErrno(errno);
      ::close(fd);
      ::unlink(candidate.constData());
      return nullptr;
    }
    *name = candidate;
    *error = 0;
    return file;
  }
  *error = ERROR_ACCESS_DENIED;
  return nullptr;
}

uint32_t ReplaceFileWith(const QByteArray& from, const QByteArray& to) {
  if (::rename(from.constData(), to.constData()) == 0) return 0;
  return SystemErrorFromErrno(errno);
}

void RemoveFileIfThere(const QByteArray& path) {
  if (!path.isEmpty()) ::unlink(path.constData());
}
