#include "platform/FileSecurity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

bool IsPrivateToUser(const QString& path, QString* why) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
    if (why)
      *why = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  if (st.st_uid != ::geteuid()) {
    if (why) *why = QStringLiteral("%1 belongs to another user").arg(path);
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    if (why) *why = QStringLiteral("%1 may be written by other users").arg(path);
    return false;
  }
  return true;
}
