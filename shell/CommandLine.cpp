#include "shell/CommandLine.h"

#include <QFileInfo>

#include "platform/FileSecurity.h"
#include "platform/Profile.h"

bool IsTrustedIniFile(const QString& path, QString* why) {
  return IsPrivateToUser(path, why) && IsPrivateToUser(QFileInfo(path).absolutePath(), why);
}

void ReadIniOptions(CTtsCommandLineInfo* info, CStartupOptions* options, const QString& appDir,
                    const QString& currentDir, QString* warning) {
  QString path = appDir + QStringLiteral("/vudeze.ini");
  if (!QFileInfo::exists(path)) {
    path = currentDir + QStringLiteral("/vudeze.ini");
    QString why;
    if (QFileInfo::exists(path) && !IsTrustedIniFile(path, &why)) {
      if (warning) *warning = QStringLiteral("%1 is ignored: %2").arg(path, why);
      path.clear();
    }
  }
  options->iniPath = QFileInfo::exists(path) ? path : QString();
  info->m_strEngineModule.clear();
  options->console = 0;
  info->m_bShowSplash = true;
  if (options->iniPath.isEmpty()) return;  // all defaults
  const QString& file = options->iniPath;
  info->m_strEngineModule =
      GetPrivateProfileString(QStringLiteral("engine"), QStringLiteral("module"), QString(), file);
  options->console =
      GetPrivateProfileInt(QStringLiteral("console"), QStringLiteral("show"), 0, file);
  info->m_bShowSplash =
      GetPrivateProfileInt(QStringLiteral("splash"), QStringLiteral("show"), 1, file) != 0;
}

bool ParseCommandLine(const QStringList& args, CTtsCommandLineInfo* info) {
  bool engineFromCmdLine = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    const bool flag = arg.size() > 1 && arg[0] == QLatin1Char('-');
    const bool last = i + 1 == args.size();
    if (flag && arg[1].toLower() == QLatin1Char('s')) {
      engineFromCmdLine = true;
      if (!last) info->m_strEngineModule = args[++i];
      continue;
    }
    info->ParseParam(flag ? arg.mid(1) : arg, flag, last);
  }
  return engineFromCmdLine;
}
