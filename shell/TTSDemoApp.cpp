#include "shell/TTSDemoApp.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>

#include "document/CodePageList.h"
#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TxtDocManager.h"
#include "engine/TtsAdapter.h"
#include "framework/DocView.h"
#include "framework/KeyState.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "platform/AppPaths.h"
#include "platform/CodePage.h"
#include "platform/Console.h"
#include "platform/Language.h"
#include "platform/Settings.h"
#include "platform/VersionInfo.h"
#include "resources/ResourceIds.h"
#include "settings/ControlPanel.h"
#include "settings/TtsConfDlg.h"
#include "shell/AboutBox.h"
#include "shell/MainFrame.h"
#include "shell/ProgramInfo.h"
#include "shell/SplashWnd.h"

namespace {

CTTSDemoApp* g_theApp = nullptr;

const QString kLayoutKey = QStringLiteral("BcxSettings");

QString RecordWide(const char* field, size_t room) {
  return MultiByteToWide(GetACP(), RecordText(field, room));
}

}  // namespace

CTTSDemoApp* TheApp() {
  return g_theApp;
}

bool CheckLayoutVersion(const QString& programVersion) {
  CRegKey root = CRegKey::Root();
  QString stored;
  if (root.QueryString(QStringLiteral("Version"), &stored) != 0) stored.clear();
  if (stored == programVersion) return true;
  root.RecurseDeleteKey(kLayoutKey);
  return false;
}

QString StartupFailureMessage(uint32_t code, bool* requestConfig) {
  switch (code) {
    case TTSERR_RESOURCES:
      return AfxString(IDS_INIT_FAILED_RESOURCES);
    case TTSERR_RESOURCEBUSY:
      return AfxString(IDS_INIT_FAILED_BUSY);
    default:
      *requestConfig = true;
      return AfxFormatString(IDS_INIT_FAILED_CODE, code);
  }
}

CTTSDemoApp::CTTSDemoApp()
    : m_strPackDir(AppDataDir(GetAppDir())),
      m_strHelpFilePath(AppHelpFile(GetAppDir())),
      m_nLangID(ID_LANG_CHS) {
  g_theApp = this;
  if (QCoreApplication::instance() != nullptr) m_arguments = QCoreApplication::arguments().mid(1);
  RegisterCommands();
}

CTTSDemoApp::~CTTSDemoApp() {
  AfxSetResourceHandle(nullptr);
  if (g_theApp == this) g_theApp = nullptr;
}

void CTTSDemoApp::RegisterCommands() {
  RegisterBatchCommands();
  MapCommand(ID_HELP_FINDER, [this] { OnHelp(); });
  MapCommand(ID_APP_ABOUT, [this] { OnAbout(); });
  MapCommand(ID_SHOW_ENGINE_TEXT, [this] { OnShowEngineText(); });
  MapCommand(ID_ENGINE_CONFIG, [this] { OnEngineConfig(); });
  MapUpdate(ID_ENGINE_CONFIG, [this](CCmdUI* ui) {
    ui->Enable(m_audioCore.m_nState.load() == CAudioCore::kStopped);
  });
  for (uint32_t id : {ID_LANG_ENU, ID_LANG_CHS, ID_LANG_CHT}) {
    MapCommand(id, [this, id] { OnLanguage(id); });
    MapUpdate(id, [this, id](CCmdUI* ui) {
      const bool packLoaded = id == ID_LANG_CHS   ? true
                              : id == ID_LANG_ENU ? m_hLangPackEnu != nullptr
                                                  : m_hLangPackCht != nullptr;
      ui->Enable(packLoaded && IsPipelineIdle());
      ui->SetRadio(m_nLangID == id);
    });
  }
}

void CTTSDemoApp::SelectStartupLanguage() {
  m_packEnu = CResourceModule::LoadPack(m_strPackDir + QStringLiteral("/EnuLangPack.rcc"));
  m_packCht = CResourceModule::LoadPack(m_strPackDir + QStringLiteral("/ChtLangPack.rcc"));
  m_hLangPackEnu = m_packEnu.get();
  m_hLangPackCht = m_packCht.get();
  const auto stored = static_cast<uint32_t>(
      GetProfileInt(QStringLiteral("Settings"), QStringLiteral("LangID"), ID_LANG_CHS));
  // The user's own language decides when none is stored; a pack that is not
  // there is never chosen.
  m_nLangID = ChooseStartupLanguage(stored, GetUserDefaultLangID(), m_hLangPackEnu != nullptr,
                                    m_hLangPackCht != nullptr);
  AfxSetResourceHandle(m_nLangID == ID_LANG_ENU   ? m_hLangPackEnu
                       : m_nLangID == ID_LANG_CHT ? m_hLangPackCht
                                                  : CResourceModule::Program());
}

uint32_t CTTSDemoApp::BringUpEngine(const QString& library) {
  CTtsAdapter& adapter = TheAdapter();
  uint32_t rc = adapter.LoadModule(library.isEmpty() ? nullptr : &library);
  if (rc != 0) return rc;
  const QString address = adapter.ServerAddress();
  rc = adapter.EnumEngines(nullptr, adapter.AssignAddress() != 0 ? &address : nullptr);
  if (rc != 0) return rc;
  rc = adapter.SelectEngine(nullptr, nullptr);
  // A library named by the command line or the ini file that does not offer
  // the stored engine (always so on a first run): its first engine.
  if (rc == TTSERR_NOENGINE && !m_cmdInfo.m_strEngineModule.isEmpty() &&
      adapter.EngineCount() > 0) {
    const TTSEngineInfo* first = adapter.EngineRecord(0);
    const QString firstAddress = RecordWide(first->serverAddress, sizeof first->serverAddress);
    const QString firstName = RecordWide(first->name, sizeof first->name);
    rc = adapter.SelectEngine(&firstAddress, &firstName);
  }
  return rc;
}

bool CTTSDemoApp::InitInstance() {
  QApplication::setQuitOnLastWindowClosed(false);
  TrackLeftShiftKey();

  // Start-up options from vudeze.ini.
  QString warning;
  ReadIniOptions(&m_cmdInfo, &m_options, GetAppDir(), QDir::currentPath(), &warning);
  if (!warning.isEmpty()) std::fprintf(stderr, "vudeze: %s\n", qPrintable(warning));
  if (m_options.console == 0 && m_bManageConsole) DiscardConsoleOutput();

  CheckLayoutVersion(GetFileVersionString(QString(), QStringLiteral("FileVersion")));
  SelectStartupLanguage();

  // The command line; the splash shows only when the ini file and the
  // command line both want it.
  const bool iniSplash = m_cmdInfo.m_bShowSplash;
  m_bEngineFromCmdLine = ParseCommandLine(m_arguments, &m_cmdInfo) ? 1 : 0;
  const bool splash = iniSplash && m_cmdInfo.m_bShowSplash;
  m_cmdInfo.m_bShowSplash = splash;
  if (splash) ShowSplash(QString(), nullptr);

  BuildCodePageList();
  LoadStdProfileSettings(kRecentFileCount);

  // The engine.
  const QString splashFormat = AfxString(IDS_SPLASH_FORMAT);
  CTtsAdapter& adapter = TheAdapter();
  CRegKey root;
  root.Create(CRegKey::Root(), QString());
  const uint32_t configResult = adapter.ReadConfig(&root);
  QString library = m_cmdInfo.m_strEngineModule;
  if (library.isEmpty()) library = adapter.ModulePath();
  if (splash) {
    const QByteArray version =
        GetFileVersionString(library, QStringLiteral("FileVersion")).toUtf8();
    SetSplashText(QString::asprintf(splashFormat.toUtf8().constData(), version.constData()));
  }
  bool requestConfig = false;
  bool splashError = false;
  if (configResult == 0 || !m_cmdInfo.m_strEngineModule.isEmpty()) {
    uint32_t rc = 0;
    const auto bringUp = [&] { rc = BringUpEngine(library); };
    if (splash)
      RunBesideEventLoop(bringUp);
    else
      bringUp();
    if (rc != 0) {
      const QString message = StartupFailureMessage(rc, &requestConfig);
      if (splash) {
        SetSplashText(message);
        splashError = true;
      }
    }
  }
  if (adapter.ModulePath().isEmpty() && adapter.ServerAddress().isEmpty()) requestConfig = true;
  if (splash) CloseSplash(splashError);

  m_audioCore.Create();

  SetDocManager(new CTxtDocManager);
  AddDocTemplate(new CSingleDocTemplate(
      IDR_MAINFRAME, [] { return new CTTSDemoDoc; }, [] { return new CMainFrame; },
      [] { return new CTTSDemoView; }));
  if (!ProcessShellCommand(m_cmdInfo)) return false;
  if (m_pMainWnd == nullptr) return false;
  m_pMainWnd->show();
  m_pMainWnd->repaint();
  // With the console on, where the program found its parts, for a user
  // checking an installation.
  if (m_options.console != 0) {
    std::fprintf(stderr, "vudeze: engine %s: %s\n", qPrintable(adapter.ModulePath()),
                 adapter.HasInstance() ? qPrintable(adapter.EngineName()) : "not connected");
    std::fprintf(stderr, "vudeze: language packs: %s\nvudeze: help: %s\n", qPrintable(m_strPackDir),
                 qPrintable(QDir::cleanPath(m_strHelpFilePath)));
  }

  if (!m_waveOutput.IsDeviceAvailable()) AfxMessageBox(IDS_NO_SOUND_CARD, MB_OK | MB_ICONSTOP);
  if (requestConfig) m_pMainWnd->PostCommand(ID_ENGINE_CONFIG);
  return true;
}

int CTTSDemoApp::ExitInstance() {
  m_batchFiles.clear();
  // A run that ends without its window being closed keeps the panel's
  // choices too; they are stored while the engine is still connected.
  if (m_pControlPanel != nullptr) m_pControlPanel->SaveSettings(QStringLiteral("TTSSetting"));
  TheAdapter().Uninitialize();
  TheAdapter().UnloadModule();
  m_audioCore.Destroy();
  // The windows that are left go now, while their resources are loaded.
  if (CDocManager* manager = GetDocManager())
    if (CSingleDocTemplate* t = manager->GetTemplate()) t->CloseAllDocuments();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  AfxSetResourceHandle(nullptr);
  m_hLangPackEnu = nullptr;
  m_hLangPackCht = nullptr;
  m_packEnu.reset();
  m_packCht.reset();
  WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("LangID"),
                  static_cast<int>(m_nLangID));
  CRegKey root;
  if (root.Create(CRegKey::Root(), QString()) == 0)
    root.SetString(QStringLiteral("Version"),
                   GetFileVersionString(QString(), QStringLiteral("FileVersion")));
  return CWinApp::ExitInstance();
}

bool CTTSDemoApp::CreateFirstDocument(const CCommandLineInfo& info) {
  return ProcessShellCommand(info) && m_pMainWnd != nullptr;
}

void CTTSDemoApp::OnLanguage(uint32_t id) {
  CResourceModule* module = id == ID_LANG_ENU   ? m_hLangPackEnu
                            : id == ID_LANG_CHT ? m_hLangPackCht
                                                : CResourceModule::Program();
  if (module != nullptr) SwitchLanguage(id, module);
}

bool CTTSDemoApp::SwitchLanguage(uint32_t newId, CResourceModule* module) {
  if (newId == m_nLangID || module == nullptr) return false;
  CSingleDocTemplate* docTemplate = GetDocManager() ? GetDocManager()->GetTemplate() : nullptr;
  CDocument* doc = docTemplate != nullptr ? docTemplate->GetDocument() : nullptr;
  // The text is kept as text: writing it out in the current code page and
  // reading it back would turn every character the code page lacks into a
  // blank.
  bool modified = false;
  QString path, text;
  if (doc != nullptr) {
    modified = doc->IsModified();
    doc->SetModifiedFlag(false);
    path = doc->GetPathName();
    if (auto* view = dynamic_cast<CEditView*>(doc->GetFirstView())) text = view->GetText();
  }
  if (docTemplate != nullptr) docTemplate->CloseAllDocuments();
  m_pMainWnd = nullptr;

  CResourceModule* previous = AfxGetResourceHandle();
  AfxSetResourceHandle(module);
  CCommandLineInfo fresh;
  if (!CreateFirstDocument(fresh)) {
    // Without a main window the program cannot go on: come back in the
    // language it had.
    AfxSetResourceHandle(previous);
    if (!CreateFirstDocument(fresh)) QCoreApplication::quit();
    return false;
  }
  m_pMainWnd->show();
  m_pMainWnd->repaint();
  CDocument* newDoc = docTemplate->GetDocument();
  if (auto* view = dynamic_cast<CEditView*>(newDoc->GetFirstView())) view->SetText(text);
  if (!path.isEmpty()) newDoc->SetPathName(path);
  newDoc->SetModifiedFlag(modified);
  m_nLangID = newId;
  return true;
}

void CTTSDemoApp::OnEngineConfig() {
  if (m_bEngineFromCmdLine &&
      AfxMessageBox(IDS_ASK_ENGINE_FROM_SHORTCUT, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  CTtsConfDlg dialog(m_pMainWnd);
  if (AfxRunModal(&dialog) != QDialog::Accepted) return;
  if (m_pControlPanel != nullptr) m_pControlPanel->RefreshFromEngine();
  // The title names the engine's maker for some engines.
  if (m_pMainWnd != nullptr) m_pMainWnd->OnUpdateFrameTitle(true);
}

void CTTSDemoApp::OnShowEngineText() {
  QString text;
  if (TheAdapter().GetSplashText(&text) != 0 || text.isEmpty()) return;
  ShowSplash(text, nullptr);
  CloseSplash(true);
}

void CTTSDemoApp::OnHelp() {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::cleanPath(m_strHelpFilePath)));
}

void CTTSDemoApp::OnAbout() {
  CAboutBox about(m_pMainWnd);
  AfxRunModal(&about);
}
