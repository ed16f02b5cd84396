// The front end's frame: options, the report printer, which engine library to
// load, bringing the engine up in the program's start-up order, the command
// registry and the run.
//
// Threads: everything here runs on the main thread. Reports may be posted
// from any thread (the pipeline's worker posts them); they reach the printer
// as queued events, so they are printed in posting order whenever the main
// thread runs its event loop, and whatever is still queued is printed before
// RunCli returns.
#include "tools/vudeze-cli/Cli.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QObject>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>

#include "engine/TtsAdapter.h"
#include "framework/QueuedEvent.h"
#include "platform/AppPaths.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"
#include "platform/Settings.h"
#include "platform/SysError.h"
#include "platform/VersionInfo.h"
#include "shell/CommandLine.h"
#include "shell/InfoReport.h"
#include "tools/vudeze-cli/CliCommandLine.h"
#include "tools/vudeze-cli/CliPlot.h"

namespace {

constexpr int kExitUsage = 2;

// The first failed write to standard output (a reader that quit), 0 while
// none failed. Main thread.
uint32_t g_stdoutFailure = 0;

void NoteStdoutFailure(bool failed) {
  if (failed && g_stdoutFailure == 0) {
    g_stdoutFailure = SystemErrorFromErrno(errno);
    if (g_stdoutFailure == 0) g_stdoutFailure = ERROR_WRITE_FAULT;
  }
}

void PrintOut(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  NoteStdoutFailure(std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
                    static_cast<size_t>(bytes.size()));
}

void PrintErr(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

// Where the reports go: stdout, or stderr while stdout carries the audio.
// Main thread.
bool g_reportsToStderr = false;

// Prints each report as the information table would show it. Lives on the
// main thread; the report events are queued to it.
class CInfoPrinter : public QObject {
 public:
  bool event(QEvent* e) override {
    AcceptQueuedEvent(e);
    if (e->type() == WM_INFO_ADD) {
      const InfoRecord& record = static_cast<CInfoEvent*>(e)->Record();
      QString text;
      for (const QString& line : InfoRecordLines(record)) text += line + QLatin1Char('\n');
      if (g_reportsToStderr) {
        PrintErr(text);
        return true;
      }
      PrintOut(text);
      NoteStdoutFailure(std::fflush(stdout) != 0);
      return true;
    }
    if (e->type() == WM_INFO_CLEAR) return true;  // a terminal keeps what it printed
    return QObject::event(e);
  }
};

// The engine record's server address and name as the program shows them.
QString RecordAddress(const TTSEngineInfo& record) {
  return MultiByteToWide(GetACP(), VUDEZE_RECORD_TEXT(record, serverAddress));
}
QString RecordName(const TTSEngineInfo& record) {
  return MultiByteToWide(GetACP(), VUDEZE_RECORD_TEXT(record, name));
}

}  // namespace

void PrintReportsToStderr() {
  g_reportsToStderr = true;
}

QString CliVersionText(const CliOptions& options) {
  const QString library = ChooseEngineLibrary(options);
  QString text = QStringLiteral("vudeze-cli %1\n")
                     .arg(GetFileVersionString(QString(), QStringLiteral("FileVersion")));
  const QString product = GetFileVersionString(library, QStringLiteral("ProductName"));
  const QString version = GetFileVersionString(library, QStringLiteral("FileVersion"));
  if (!QFileInfo(library).isFile())
    text += QStringLiteral("engine library %1: not found\n").arg(library);
  else if (product.isEmpty() && version.isEmpty())
    text += QStringLiteral("engine library %1: no version note\n").arg(library);
  else
    text += QStringLiteral("engine library %1: %2 %3\n").arg(library, product, version);
  return text;
}

QStringList InfoRecordLines(const InfoRecord& record) {
  const QList<QStringView> details = InfoDetailLines(record.details);
  QStringList lines;
  lines.append(InfoResultText(record.result) + QLatin1Char('\t') + record.action +
               QLatin1Char('\t') + details.first().toString());
  for (qsizetype i = 1; i < details.size(); ++i)
    lines.append(QStringLiteral("\t\t") + details[i].toString());
  return lines;
}

QString ChooseEngineLibrary(const CliOptions& options) {
  if (!options.library.isEmpty()) return options.library;
  // vudeze.ini beside the program, or else in the current directory.
  QString ini = GetAppDir() + QStringLiteral("/vudeze.ini");
  if (!QFileInfo::exists(ini)) {
    ini = QDir::currentPath() + QStringLiteral("/vudeze.ini");
    QString why;
    if (QFileInfo::exists(ini) && !IsTrustedIniFile(ini, &why)) {
      PrintErr(QStringLiteral("%1 is ignored: %2\n").arg(ini, why));
      ini.clear();
    }
  }
  const QString module =
      GetPrivateProfileString(QStringLiteral("engine"), QStringLiteral("module"), QString(), ini);
  if (!module.isEmpty()) return module;
  CRegKey adapter;
  QString stored;
  if (adapter.Open(CRegKey::Root(), QStringLiteral("Adapter")) == 0 &&
      adapter.QueryString(QStringLiteral("SvcModule"), &stored) == 0 && !stored.isEmpty())
    return stored;
  return AppEngineDir(GetAppDir()) + QStringLiteral("/libvarentts.so");
}

uint32_t LoadAndEnumerate(const CliOptions& options, QString* step) {
  CTtsAdapter& adapter = TheAdapter();
  CRegKey root = CRegKey::Root();
  adapter.ReadConfig(&root);  // a first run has no stored settings: that is fine
  const QString storedModule = adapter.ModulePath();
  const QString library = ChooseEngineLibrary(options);

  *step = QStringLiteral("Loading the engine library %1").arg(library);
  if (QFileInfo(library).isDir()) {
    *step = QStringLiteral("%1 is a folder, not an engine library").arg(library);
    return TTSERR_BADMODULE;
  }
  uint32_t rc = adapter.LoadModule(&library);
  if (rc != 0) return rc;

  // The stored address restricts the listing only for the stored library;
  // --server always does.
  const QString storedAddress = adapter.ServerAddress();
  const QString* address = nullptr;
  if (options.hasServer)
    address = &options.server;
  else if (library == storedModule && adapter.AssignAddress() != 0)
    address = &storedAddress;
  *step = QStringLiteral("Enumerating the engines");
  return adapter.EnumEngines(nullptr, address);
}

uint32_t BringUpEngine(const CliOptions& options, QString* step) {
  QString ignored;
  if (step == nullptr) step = &ignored;
  uint32_t rc = LoadAndEnumerate(options, step);
  if (rc != 0) return rc;

  CTtsAdapter& adapter = TheAdapter();
  *step = QStringLiteral("Selecting the engine");
  // --engine names the engine; without it the stored engine when this
  // library offers it, else the first.
  const QString wanted = options.engine.isEmpty() ? adapter.EngineName() : options.engine;
  int chosen = -1;
  for (uint32_t i = 0; i < adapter.EngineCount() && chosen < 0; ++i) {
    const TTSEngineInfo& record = *adapter.EngineRecord(static_cast<int>(i));
    if (RecordName(record) == wanted &&
        (adapter.IsObjectForm() || options.engine.isEmpty() || !options.hasServer ||
         RecordAddress(record) == options.server))
      chosen = static_cast<int>(i);
  }
  if (chosen < 0 && !options.engine.isEmpty()) return TTSERR_NOENGINE;
  if (chosen < 0) chosen = 0;
  const TTSEngineInfo& record = *adapter.EngineRecord(chosen);
  const QString name = RecordName(record);
  const QString address =
      adapter.IsObjectForm() && options.hasServer ? options.server : RecordAddress(record);
  *step = QStringLiteral("Selecting the engine %1 at %2").arg(name, address);
  rc = adapter.SelectEngine(&address, &name);
  if (rc == TTSERR_ALREADYINIT && adapter.HasInstance()) rc = 0;
  return rc;
}

void PrintFailure(const QString& what, uint32_t code) {
  PrintFailureMessage(what, code, ResultMessage(code));
}

void PrintFailureMessage(const QString& what, uint32_t code, const QString& message) {
  PrintErr(QStringLiteral("%1: %2 %3\n").arg(what, QString::asprintf("0x%08x", code), message));
}

QString ResultMessage(uint32_t code) {
  switch (code) {
    case 0:
      return QStringLiteral("Success.");
    case TTSERR_NOMODULE:
      return QStringLiteral("No engine library is named.");
    case TTSERR_ALREADYINIT:
      return QStringLiteral("The engine is initialised already.");
    case TTSERR_NOENGINE:
      return QStringLiteral("No engine of that name at that address.");
    case TTSERR_NOTREADY:
      return QStringLiteral("No engine library or no engine instance.");
    case TTSERR_NOINSTANCE:
      return QStringLiteral("The engine gave no instance.");
    case TTSERR_NOMORE:
      return QStringLiteral("No suitable engine was found.");
    case TTSERR_INVALIDPARAM:
      return QStringLiteral("Unknown parameter or wrong value size.");
    case TTSERR_INVALIDVALUE:
      return QStringLiteral("The engine does not take that value.");
    case TTSERR_BADDESCRIPTOR:
      return QStringLiteral("Bad synthesis descriptor.");
    case TTSERR_INVALIDARG:
      return QStringLiteral("Invalid argument, or a name too long for its record field.");
    case TTSERR_NOTSUPPORTED:
      return QStringLiteral("The engine does not offer this operation.");
    case TTSERR_ENGINEFAIL:
      return QStringLiteral("The synthesiser failed.");
    case TTSERR_RESOURCEBUSY:
      return QStringLiteral("The engine's resources are in use by another program.");
    case TTSERR_RESOURCES:
      return QStringLiteral("The engine's resource files are missing or damaged.");
    case TTSERR_BADMODULE:
      return QStringLiteral("The library is not a speech engine library.");
    case kAdapterNoKey:
      return QStringLiteral("No settings key.");
    case kAdapterValueTooLong:
      return QStringLiteral("A stored value is too long.");
    default:
      return QString::fromUtf8(SystemErrorMessage(code));
  }
}

int RunCli(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);  // past a file size limit a write fails as on a full disk
  g_stdoutFailure = 0;
  g_reportsToStderr = false;
  std::unique_ptr<QCoreApplication> ownApp;
  if (QCoreApplication::instance() == nullptr) ownApp = MakeCliApplication(argc, argv);

  QStringList args;
  for (int i = 1; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
  CliOptions options;
  const CliRequest request = ParseCliCommandLine(args, &options);
  switch (request.kind) {
    case CliRequest::kHelp:
      PrintOut(CliHelpText(request.helpTopic));
      return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
    case CliRequest::kVersion:
      PrintOut(CliVersionText(options));
      return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
    case CliRequest::kUsageError:
      if (!request.error.isEmpty()) PrintErr(request.error + QLatin1Char('\n'));
      PrintErr(request.usage);
      return kExitUsage;
    case CliRequest::kRun:
      break;
  }
  const CliCommandEntry* command = request.command;

  CInfoPrinter printer;
  QObject* previous = SetInfoReceiver(&printer);
  const int code = command->run(options);
  // The program's exit order: the engine is released first.
  CTtsAdapter& adapter = TheAdapter();
  if (adapter.IsLoaded()) {
    adapter.Uninitialize();
    adapter.UnloadModule();
  }
  QCoreApplication::sendPostedEvents(&printer);
  SetInfoReceiver(previous);
  NoteStdoutFailure(std::fflush(stdout) != 0 || std::ferror(stdout) != 0);
  if (g_stdoutFailure != 0) {
    PrintFailure(QStringLiteral("Writing to standard output"), g_stdoutFailure);
    std::clearerr(stdout);
    return code != 0 ? code : 1;
  }
  return code;
}
