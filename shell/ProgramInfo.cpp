#include "shell/ProgramInfo.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <memory>

#include "framework/ResourceModule.h"
#include "platform/AppPaths.h"
#include "platform/Language.h"
#include "platform/Settings.h"
#include "platform/VersionInfo.h"
#include "resources/ResourceIds.h"
#include "shell/CommandLine.h"

namespace {

bool IsEngineFlag(const QString& arg) {
  return arg.size() > 1 && arg[0] == QLatin1Char('-') && arg[1].toLower() == QLatin1Char('s');
}

QString Format(const CResourceModule& module, uint32_t id, const QStringList& values) {
  QString text = module.String(id);
  for (const QString& v : values) text = text.arg(v);
  return text;
}

}  // namespace

ProgramInfoRequest FindProgramInfoRequest(const QStringList& args) {
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (IsEngineFlag(arg)) {
      ++i;  // the library's path, whatever it looks like
      continue;
    }
    if (arg == QLatin1String("-h") || arg == QLatin1String("--help"))
      return ProgramInfoRequest::kHelp;
    if (arg == QLatin1String("-v") || arg == QLatin1String("--version"))
      return ProgramInfoRequest::kVersion;
  }
  return ProgramInfoRequest::kNone;
}

uint32_t ChooseStartupLanguage(uint32_t stored, uint16_t userLangId, bool haveEnglishPack,
                               bool haveTraditionalPack) {
  if (stored == ID_LANG_CHT && haveTraditionalPack) return ID_LANG_CHT;
  if (stored == ID_LANG_ENU && haveEnglishPack) return ID_LANG_ENU;
  if (userLangId == 0x0404 && haveTraditionalPack) return ID_LANG_CHT;
  if (userLangId != 0x0404 && userLangId != 0x0804 && haveEnglishPack) return ID_LANG_ENU;
  return ID_LANG_CHS;
}

QString ProgramHelpText(const CResourceModule& m) {
  const QString indent = QStringLiteral("      ");
  QString text = m.String(IDS_PROGRAM_USAGE) + QStringLiteral("\n\n") +
                 m.String(IDS_PROGRAM_ABOUT) + QStringLiteral("\n\n") +
                 m.String(IDS_PROGRAM_OPTIONS) + QLatin1Char('\n');
  const struct {
    QString label;
    uint32_t help;
  } rows[] = {
      {m.String(IDS_PROGRAM_OPT_ENGINE), IDS_PROGRAM_OPT_ENGINE_HELP},
      {m.String(IDS_PROGRAM_OPT_FILE), IDS_PROGRAM_OPT_FILE_HELP},
      {QStringLiteral("-h, --help"), IDS_PROGRAM_OPT_HELP},
      {QStringLiteral("-v, --version"), IDS_PROGRAM_OPT_VERSION},
  };
  for (const auto& row : rows)
    text += QStringLiteral("  ") + row.label + QLatin1Char('\n') + indent + m.String(row.help) +
            QLatin1Char('\n');
  text += QLatin1Char('\n') + m.String(IDS_PROGRAM_MORE) + QLatin1Char('\n');
  return text;
}

QString ProgramVersionText(const CResourceModule& m, const QString& engineLibrary) {
  QString text = QStringLiteral("vudeze %1\n")
                     .arg(GetFileVersionString(QString(), QStringLiteral("FileVersion")));
  if (engineLibrary.isEmpty()) return text;
  const QString product = GetFileVersionString(engineLibrary, QStringLiteral("ProductName"));
  const QString version = GetFileVersionString(engineLibrary, QStringLiteral("FileVersion"));
  if (!QFileInfo(engineLibrary).isFile())
    text += Format(m, IDS_PROGRAM_ENGINE_MISSING, {engineLibrary});
  else if (product.isEmpty() && version.isEmpty())
    text += Format(m, IDS_PROGRAM_ENGINE_NO_NOTE, {engineLibrary});
  else
    text += Format(m, IDS_PROGRAM_ENGINE_VERSION, {engineLibrary, product, version});
  return text + QLatin1Char('\n');
}

int PrintProgramInfo(ProgramInfoRequest request, const QStringList& args) {
  const QString appDir = GetAppDir();
  SetSettingsDefaults(AppDataDir(appDir) + QStringLiteral("/vudeze-defaults.conf"));
  const QString packDir = AppDataDir(appDir);
  const std::unique_ptr<CResourceModule> enu =
      CResourceModule::LoadPack(packDir + QStringLiteral("/EnuLangPack.rcc"));
  const std::unique_ptr<CResourceModule> cht =
      CResourceModule::LoadPack(packDir + QStringLiteral("/ChtLangPack.rcc"));
  const uint32_t language =
      ChooseStartupLanguage(static_cast<uint32_t>(GetProfileInt(
                                QStringLiteral("Settings"), QStringLiteral("LangID"), ID_LANG_CHS)),
                            GetUserDefaultLangID(), enu != nullptr, cht != nullptr);
  const CResourceModule& module = language == ID_LANG_ENU   ? *enu
                                  : language == ID_LANG_CHT ? *cht
                                                            : *CResourceModule::Program();
  QString text;
  if (request == ProgramInfoRequest::kHelp) {
    text = ProgramHelpText(module);
  } else {
    // The library the program would load: -s, else the ini file's, else the
    // stored one.
    CTtsCommandLineInfo info;
    CStartupOptions options;
    ReadIniOptions(&info, &options, appDir, QDir::currentPath());
    ParseCommandLine(args, &info);
    QString library = info.m_strEngineModule;
    if (library.isEmpty()) {
      CRegKey adapter;
      if (adapter.Open(CRegKey::Root(), QStringLiteral("Adapter")) == 0)
        adapter.QueryString(QStringLiteral("SvcModule"), &library);
    }
    text = ProgramVersionText(module, library);
  }
  const QByteArray bytes = text.toUtf8();
  const bool ok = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) ==
                      static_cast<size_t>(bytes.size()) &&
                  std::fflush(stdout) == 0;
  return ok ? 0 : 1;
}
