// CWinApp: the application object's framework part. One exists while the
// program runs (AfxGetApp); it keeps the main window, the document manager
// and the recent-file list, and handles the application's file commands.
// CCommandLineInfo: what the command line asked for, as the framework reads
// it (a file to open, the splash wish, the framework's switches).
//
// Threads: the user-interface thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "framework/CmdTarget.h"

class CDocManager;
class CDocument;
class CFrameWnd;
class CSingleDocTemplate;

class CCommandLineInfo {
 public:
  enum ShellCommand {
    FileNew,
    FileOpen,
    FilePrint,
    FilePrintTo,
    FileDDE,
    AppRegister,
    AppUnregister,
    FileNothing = -1
  };

  virtual ~CCommandLineInfo() = default;
  // One argument: flag tells whether it was a flag (its "-" already
  // removed), last whether it is the last argument.
  virtual void ParseParam(const QString& param, bool flag, bool last);

  bool m_bShowSplash = true;
  bool m_bRunEmbedded = false;
  bool m_bRunAutomated = false;
  ShellCommand m_nShellCommand = FileNew;
  QString m_strFileName;

 private:
  void ParseLast(bool last);
};

// The recent-file list: the newest first, at most `size` entries, stored in
// the settings section "Recent File List" as "File1" to "FileN".
class CRecentFileList {
 public:
  explicit CRecentFileList(int size) : m_nSize(size) {}
  void ReadList();
  void WriteList() const;
  void Add(const QString& path);
  void Remove(int index);
  const QStringList& Files() const { return m_files; }

 private:
  int m_nSize;
  QStringList m_files;
};

class CWinApp : public CCmdTarget {
 public:
  CWinApp();
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance() { return true; }
  virtual int ExitInstance();
  // The message loop; returns the exit code.
  virtual int Run();

  void AddDocTemplate(CSingleDocTemplate* docTemplate);  // takes ownership
  // Installs a document manager (owned) before the first template.
  void SetDocManager(CDocManager* manager);
  CDocManager* GetDocManager() const { return m_pDocManager.get(); }
  // The first document: new, or the file the command line names.
  bool ProcessShellCommand(const CCommandLineInfo& info);
  CDocument* OpenDocumentFile(const QString& path);

  void LoadStdProfileSettings(int maxRecentFiles);
  void AddToRecentFileList(const QString& path);
  CRecentFileList* RecentFiles() const { return m_pRecentFileList.get(); }

  // The main window was closed by the user: the program ends.
  virtual void OnMainWindowClosed();

  // File commands, exit, recent files.
  void OnFileNew();
  void OnFileOpen();
  void OnAppExit();

  CFrameWnd* m_pMainWnd = nullptr;

 protected:
  // Posted to the main window when it exists.
  void PostCommand(uint32_t id);

 private:
  std::unique_ptr<CDocManager> m_pDocManager;
  std::unique_ptr<CRecentFileList> m_pRecentFileList;
};

CWinApp* AfxGetApp();
