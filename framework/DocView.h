// The single-document architecture: a document, the view that shows it and
// the frame window around them are made together by a document template and
// replaced together. The application object, and whatever it owns, outlives
// them.
//
// Ownership: the template owns its one document; the frame is a top-level
// widget that deletes itself (later) when destroyed; views are child widgets
// of the frame. Destroying the frame first detaches its views from the
// document and deletes the document, so no object ever points to a deleted
// one.
//
// Threads: the user-interface thread only.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/CmdTarget.h"
#include "framework/Object.h"

class CFrameWnd;
class CSingleDocTemplate;
class CView;

class CDocument : public CCmdTarget, public CObject {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument();
  ~CDocument() override;

  // A new, empty document: contents deleted, no path, not modified.
  virtual bool OnNewDocument();
  // Replaces the contents with the file's; false after telling the user why.
  virtual bool OnOpenDocument(const QString& path);
  // Writes the contents to the file; false after telling the user why.
  virtual bool OnSaveDocument(const QString& path);
  // Empties the contents (before a new or opened document, and at close).
  virtual void DeleteContents() {}
  // Asks whether to save a modified document: true to go on (saved, or the
  // user said no), false when the user cancelled or the save failed.
  virtual bool SaveModified();

  virtual void SetModifiedFlag(bool modified = true);
  bool IsModified() const { return m_bModified; }
  // The file of the document; adds it to the recent-file list when asked.
  virtual void SetPathName(const QString& path, bool addToMRU = true);
  const QString& GetPathName() const { return m_strPathName; }
  virtual void SetTitle(const QString& title);
  const QString& GetTitle() const { return m_strTitle; }

  CView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
  void AddView(CView* view);
  void RemoveView(CView* view);
  CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  // The frame that shows the document, or null.
  CFrameWnd* GetFrame() const;

  // Save (to the path, or asking for one) and Save As.
  bool DoFileSave();
  bool DoSave(const QString& path, bool replace = true);

 protected:
  // Reads and writes the contents; a result code (0 for success). The
  // default refuses both.
  virtual uint32_t ReadFile(const QString& path);
  virtual uint32_t WriteFile(const QString& path);
  // Tells the user why a file could not be opened or saved.
  virtual void ReportFileError(const QString& path, uint32_t code, bool saving);

 private:
  friend class CSingleDocTemplate;
  void UpdateFrameTitles();

  QString m_strTitle;
  QString m_strPathName;
  bool m_bModified = false;
  std::vector<CView*> m_views;
  CSingleDocTemplate* m_pDocTemplate = nullptr;
};

class CView : public CCmdTarget, public CObject {
  DECLARE_DYNAMIC(CView)

 public:
  ~CView() override;
  virtual QWidget* GetWidget() = 0;
  CDocument* GetDocument() const { return m_pDocument; }
  // After the document has been opened or made new.
  virtual void OnInitialUpdate() {}
  // The view's own commands first, then its document's.
  bool OnCmdMsg(uint32_t id, Mode mode, CCmdUI* ui) override;

 protected:
  friend class CDocument;
  CDocument* m_pDocument = nullptr;
};

// A view that is a plain-text editor. Its edit commands (undo, cut, copy,
// paste, select all) are commands with the usual enable rules, so the menu,
// the toolbar and the keys all go through the frame's command routing.
class CEditView : public QPlainTextEdit, public CView {
  Q_OBJECT
  DECLARE_DYNAMIC(CEditView)

 public:
  CEditView();
  QWidget* GetWidget() override { return this; }

  // The text as a whole (the document's contents).
  QString GetText() const { return toPlainText(); }
  void SetText(const QString& text);

 protected:
  bool event(QEvent* e) override;
};

class CSingleDocTemplate {
 public:
  using DocFactory = std::function<CDocument*()>;
  using FrameFactory = std::function<CFrameWnd*()>;
  using ViewFactory = std::function<CView*()>;

  CSingleDocTemplate(uint32_t resourceId, DocFactory doc, FrameFactory frame, ViewFactory view);
  ~CSingleDocTemplate();

  // Opens the file as the document, or makes a new one for an empty path.
  // The first call creates document, frame and view; later calls reuse them
  // after asking to save a modified document. Null on failure (a frame
  // created by this call is destroyed again).
  CDocument* OpenDocumentFile(const QString& path, bool makeVisible = true);
  CDocument* GetDocument() const { return m_pDocument.get(); }
  CFrameWnd* GetFrame() const { return m_pFrame; }
  // A field of the document string (string resourceId, fields separated by
  // line feeds): 3 the filter name, 4 the extension.
  QString GetDocString(int index) const;
  // Destroys frame, view and document, without asking anything.
  void CloseAllDocuments();

 private:
  friend class CFrameWnd;
  // The frame tells its template that it is going away.
  void OnFrameDestroyed(CFrameWnd* frame);

  uint32_t m_nIDResource;
  DocFactory m_docFactory;
  FrameFactory m_frameFactory;
  ViewFactory m_viewFactory;
  std::unique_ptr<CDocument> m_pDocument;
  CFrameWnd* m_pFrame = nullptr;
};

// Finds the template for files and runs the file dialogs. A program
// replaces it to offer more in its dialogs.
class CDocManager {
 public:
  virtual ~CDocManager();
  void AddDocTemplate(CSingleDocTemplate* docTemplate);  // takes ownership
  CSingleDocTemplate* GetTemplate() const {
    return m_templates.empty() ? nullptr : m_templates.front().get();
  }

  virtual void OnFileNew();
  virtual void OnFileOpen();
  virtual CDocument* OpenDocumentFile(const QString& path);
  // The file dialog; true with *path when the user chose a file.
  virtual bool DoPromptFileName(QString* path, bool open, CDocument* document);

 private:
  std::vector<std::unique_ptr<CSingleDocTemplate>> m_templates;
};
