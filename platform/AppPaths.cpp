#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString Beside(const QString& appDir, const char* relative) {
  return QDir::cleanPath(appDir + QLatin1Char('/') + QLatin1String(relative));
}

}  // namespace

bool IsInstalledLayout(const QString& appDir) {
  return QFileInfo(Beside(appDir, "../share/vudeze")).isDir();
}

QString AppEngineDir(const QString& appDir) {
  return IsInstalledLayout(appDir) ? Beside(appDir, "../lib/vudeze") : appDir;
}

QString AppDataDir(const QString& appDir) {
  return IsInstalledLayout(appDir) ? Beside(appDir, "../share/vudeze") : appDir;
}

QString AppHelpFile(const QString& appDir) {
  return IsInstalledLayout(appDir) ? Beside(appDir, "../share/vudeze/help/index.html")
                                   : Beside(appDir, "../help/index.html");
}
