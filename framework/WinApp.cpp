#include "framework/WinApp.h"

#include <QApplication>
#include <QFileInfo>

#include "framework/DocView.h"
#include "framework/FrameWnd.h"
#include "platform/Settings.h"
#include "resources/ResourceIds.h"

namespace {

CWinApp* g_app = nullptr;

const QString kRecentSection = QStringLiteral("Recent File List");

}  // namespace

CWinApp* AfxGetApp() {
  return g_app;
}

// ---- CCommandLineInfo

void CCommandLineInfo::ParseParam(const QString& param, bool flag, bool last) {
  if (flag) {
    const QString p = param.toLower();
    if (p == QLatin1String("pt"))
      m_nShellCommand = FilePrintTo;
    else if (p == QLatin1String("p"))
      m_nShellCommand = FilePrint;
    else if (p == QLatin1String("register") || p == QLatin1String("regserver"))
      m_nShellCommand = AppRegister;
    else if (p == QLatin1String("unregister") || p == QLatin1String("unregserver"))
      m_nShellCommand = AppUnregister;
    else if (p == QLatin1String("dde"))
      m_nShellCommand = FileDDE;
    else if (p == QLatin1String("embedding"))
      m_bRunEmbedded = true;
    else if (p == QLatin1String("automation"))
      m_bRunAutomated = true;
  } else if (m_strFileName.isEmpty()) {
    m_strFileName = param;
  }
  ParseLast(last);
}

void CCommandLineInfo::ParseLast(bool last) {
  if (!last) return;
  if (m_nShellCommand == FileNew && !m_strFileName.isEmpty()) m_nShellCommand = FileOpen;
  m_bShowSplash = !m_bRunEmbedded && !m_bRunAutomated;
}

// ---- CRecentFileList

void CRecentFileList::ReadList() {
  m_files.clear();
  for (int i = 1; i <= m_nSize; ++i) {
    const QString path = GetProfileString(kRecentSection, QStringLiteral("File%1").arg(i));
    if (!path.isEmpty() && !m_files.contains(path)) m_files.append(path);
  }
}

void CRecentFileList::WriteList() const {
  WriteProfileString(kRecentSection, QString(), QString());  // the whole section
  for (int i = 0; i < m_files.size(); ++i)
    WriteProfileString(kRecentSection, QStringLiteral("File%1").arg(i + 1), m_files[i]);
}

void CRecentFileList::Add(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  m_files.removeAll(full);
  m_files.prepend(full);
  while (m_files.size() > m_nSize) m_files.removeLast();
}

void CRecentFileList::Remove(int index) {
  if (index >= 0 && index < m_files.size()) m_files.removeAt(index);
}

// ---- CWinApp

CWinApp::CWinApp() {
  g_app = this;
  MapCommand(ID_FILE_NEW, [this] { OnFileNew(); });
  MapCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
  MapCommand(ID_APP_EXIT, [this] { OnAppExit(); });
  MapCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + kRecentFileCount - 1, [this](uint32_t id) {
    if (!m_pRecentFileList) return;
    const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    const QStringList files = m_pRecentFileList->Files();
    if (index >= files.size()) return;
    // A file that can no longer be opened leaves the list.
    if (OpenDocumentFile(files[index]) == nullptr) m_pRecentFileList->Remove(index);
  });
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

int CWinApp::ExitInstance() {
  if (m_pRecentFileList) m_pRecentFileList->WriteList();
  return 0;
}

int CWinApp::Run() {
  return QApplication::exec();
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate) {
  if (!m_pDocManager) m_pDocManager = std::make_unique<CDocManager>();
  m_pDocManager->AddDocTemplate(docTemplate);
}

void CWinApp::SetDocManager(CDocManager* manager) {
  m_pDocManager.reset(manager);
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      OnFileNew();
      return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
      return OpenDocumentFile(info.m_strFileName) != nullptr;
    default:
      // Printing, DDE and registration are not offered: nothing to do.
      return false;
  }
}

CDocument* CWinApp::OpenDocumentFile(const QString& path) {
  if (!m_pDocManager) return nullptr;
  CDocument* doc = m_pDocManager->OpenDocumentFile(path);
  if (doc != nullptr) {
    if (CSingleDocTemplate* t = doc->GetDocTemplate()) m_pMainWnd = t->GetFrame();
  }
  return doc;
}

void CWinApp::LoadStdProfileSettings(int maxRecentFiles) {
  m_pRecentFileList = std::make_unique<CRecentFileList>(maxRecentFiles);
  m_pRecentFileList->ReadList();
}

void CWinApp::AddToRecentFileList(const QString& path) {
  if (m_pRecentFileList) m_pRecentFileList->Add(path);
}

void CWinApp::OnFileNew() {
  if (!m_pDocManager) return;
  m_pDocManager->OnFileNew();
  if (CSingleDocTemplate* t = m_pDocManager->GetTemplate()) m_pMainWnd = t->GetFrame();
}

void CWinApp::OnFileOpen() {
  if (m_pDocManager) m_pDocManager->OnFileOpen();
}

void CWinApp::OnMainWindowClosed() {
  QCoreApplication::quit();
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd != nullptr) m_pMainWnd->close();
}

void CWinApp::PostCommand(uint32_t id) {
  if (m_pMainWnd != nullptr) m_pMainWnd->PostCommand(id);
}
