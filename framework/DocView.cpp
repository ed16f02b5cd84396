#include "framework/DocView.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <algorithm>

#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "framework/WinApp.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"

IMPLEMENT_DYNAMIC(CDocument, CObject)
IMPLEMENT_DYNAMIC(CView, CObject)
IMPLEMENT_DYNAMIC(CEditView, CView)

// ---- CDocument

CDocument::CDocument() {
  MapCommand(ID_FILE_SAVE, [this] { DoFileSave(); });
  MapCommand(ID_FILE_SAVE_AS, [this] { DoSave(QString()); });
}

CDocument::~CDocument() {
  for (CView* view : m_views) view->m_pDocument = nullptr;
}

bool CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.clear();
  SetModifiedFlag(false);
  return true;
}

bool CDocument::OnOpenDocument(const QString& path) {
  DeleteContents();
  SetModifiedFlag(true);  // dirty while loading, as a failure leaves it
  if (uint32_t code = ReadFile(path)) {
    ReportFileError(path, code, false);
    DeleteContents();
    return false;
  }
  SetModifiedFlag(false);
  return true;
}

bool CDocument::OnSaveDocument(const QString& path) {
  if (uint32_t code = WriteFile(path)) {
    ReportFileError(path, code, true);
    return false;
  }
  SetModifiedFlag(false);
  return true;
}

uint32_t CDocument::ReadFile(const QString&) {
  return ERROR_INVALID_PARAMETER;
}

uint32_t CDocument::WriteFile(const QString&) {
  return ERROR_INVALID_PARAMETER;
}

void CDocument::ReportFileError(const QString& path, uint32_t code, bool saving) {
  QString text = AfxString(saving ? AFX_IDP_FAILED_TO_SAVE_DOC : AFX_IDP_FAILED_TO_OPEN_DOC)
                     .replace(QLatin1String("%1"), QFileInfo(path).fileName());
  text += QLatin1Char('\n') + AfxFormatString(IDS_FILE_ERROR_CODE, code);
  AfxMessageBox(text, MB_OK | MB_ICONWARNING);
}

bool CDocument::SaveModified() {
  if (!IsModified()) return true;
  QString name = m_strPathName.isEmpty() ? m_strTitle : QFileInfo(m_strPathName).fileName();
  if (name.isEmpty()) name = AfxString(AFX_IDS_UNTITLED);
  const QString prompt = AfxString(AFX_IDP_ASK_TO_SAVE).replace(QLatin1String("%1"), name);
  switch (AfxMessageBox(prompt, MB_YESNOCANCEL | MB_ICONWARNING)) {
    case IDYES:
      return DoFileSave();
    case IDNO:
      return true;
    default:
      return false;
  }
}

void CDocument::SetModifiedFlag(bool modified) {
  if (m_bModified == modified) return;
  m_bModified = modified;
  if (CView* view = GetFirstView()) {
    if (auto* edit = dynamic_cast<CEditView*>(view))
      if (edit->document()->isModified() != modified) edit->document()->setModified(modified);
  }
  UpdateFrameTitles();
}

void CDocument::SetPathName(const QString& path, bool addToMRU) {
  m_strPathName = QFileInfo(path).absoluteFilePath();
  SetTitle(QFileInfo(m_strPathName).fileName());
  if (addToMRU)
    if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(m_strPathName);
}

void CDocument::SetTitle(const QString& title) {
  m_strTitle = title;
  UpdateFrameTitles();
}

void CDocument::AddView(CView* view) {
  if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
  m_views.push_back(view);
  view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
  m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
  if (view->m_pDocument == this) view->m_pDocument = nullptr;
}

CFrameWnd* CDocument::GetFrame() const {
  return m_pDocTemplate != nullptr ? m_pDocTemplate->GetFrame() : nullptr;
}

void CDocument::UpdateFrameTitles() {
  if (CFrameWnd* frame = GetFrame()) frame->OnUpdateFrameTitle(true);
}

bool CDocument::DoFileSave() {
  return DoSave(m_strPathName.isEmpty() ? QString() : m_strPathName);
}

bool CDocument::DoSave(const QString& path, bool replace) {
  QString target = path;
  if (target.isEmpty()) {
    CDocManager* manager = AfxGetApp() ? AfxGetApp()->GetDocManager() : nullptr;
    if (manager == nullptr || !manager->DoPromptFileName(&target, false, this)) return false;
  }
  if (!OnSaveDocument(target)) return false;
  if (replace) SetPathName(target);
  return true;
}

// ---- CView

CView::~CView() {
  if (m_pDocument != nullptr) m_pDocument->RemoveView(this);
}

bool CView::OnCmdMsg(uint32_t id, Mode mode, CCmdUI* ui) {
  if (DispatchOwn(id, mode, ui)) return true;
  return m_pDocument != nullptr && m_pDocument->OnCmdMsg(id, mode, ui);
}

// ---- CEditView

CEditView::CEditView() {
  setFrameShape(QFrame::NoFrame);
  MapCommand(ID_EDIT_UNDO, [this] { undo(); });
  MapUpdate(ID_EDIT_UNDO, [this](CCmdUI* ui) { ui->Enable(document()->isUndoAvailable()); });
  MapCommand(ID_EDIT_CUT, [this] { cut(); });
  MapUpdate(ID_EDIT_CUT,
            [this](CCmdUI* ui) { ui->Enable(textCursor().hasSelection() && !isReadOnly()); });
  MapCommand(ID_EDIT_COPY, [this] { copy(); });
  MapUpdate(ID_EDIT_COPY, [this](CCmdUI* ui) { ui->Enable(textCursor().hasSelection()); });
  MapCommand(ID_EDIT_PASTE, [this] { paste(); });
  MapUpdate(ID_EDIT_PASTE, [this](CCmdUI* ui) {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ui->Enable(!isReadOnly() && data != nullptr && data->hasText());
  });
  MapCommand(ID_EDIT_SELECT_ALL, [this] { selectAll(); });
  MapUpdate(ID_EDIT_SELECT_ALL, [this](CCmdUI* ui) { ui->Enable(!document()->isEmpty()); });
  connect(document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
    if (m_pDocument != nullptr && m_pDocument->IsModified() != modified)
      m_pDocument->SetModifiedFlag(modified);
  });
}

void CEditView::SetText(const QString& text) {
  setPlainText(text);
}

bool CEditView::event(QEvent* e) {
  // The editor would take its standard keys (copy, paste...) for itself;
  // those that are the frame's accelerators go to the frame's commands
  // instead, so their enable rules apply.
  if (e->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(e);
    auto* frame = dynamic_cast<CFrameWnd*>(window());
    if (frame != nullptr && frame->IsAccelerator(QKeySequence(key->keyCombination()))) {
      e->ignore();
      return true;
    }
  }
  return QPlainTextEdit::event(e);
}

// ---- CSingleDocTemplate

CSingleDocTemplate::CSingleDocTemplate(uint32_t resourceId, DocFactory doc, FrameFactory frame,
                                       ViewFactory view)
    : m_nIDResource(resourceId),
      m_docFactory(std::move(doc)),
      m_frameFactory(std::move(frame)),
      m_viewFactory(std::move(view)) {}

CSingleDocTemplate::~CSingleDocTemplate() {
  CloseAllDocuments();
}

QString CSingleDocTemplate::GetDocString(int index) const {
  return AfxString(m_nIDResource).section(QLatin1Char('\n'), index, index);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const QString& path, bool makeVisible) {
  bool created = false;
  if (m_pDocument != nullptr) {
    if (!m_pDocument->SaveModified()) return nullptr;
  } else {
    m_pDocument.reset(m_docFactory());
    m_pDocument->m_pDocTemplate = this;
    CView* view = m_viewFactory();
    m_pDocument->AddView(view);
    m_pFrame = m_frameFactory();
    m_pFrame->m_pTemplate = this;
    if (!m_pFrame->LoadFrame(m_nIDResource, view)) {
      CloseAllDocuments();
      return nullptr;
    }
    created = true;
  }
  CDocument* doc = m_pDocument.get();
  if (path.isEmpty()) {
    doc->SetTitle(AfxString(AFX_IDS_UNTITLED));
    if (!doc->OnNewDocument()) {
      if (created) CloseAllDocuments();
      return nullptr;
    }
  } else {
    if (!doc->OnOpenDocument(path)) {
      if (created) {
        CloseAllDocuments();
      } else {
        // The old contents are gone (the user was asked to save them): leave
        // a new, empty document, so that a save never writes the empty text
        // over the file that was open.
        doc->SetTitle(AfxString(AFX_IDS_UNTITLED));
        doc->OnNewDocument();
      }
      return nullptr;
    }
    doc->SetPathName(path);
  }
  if (CView* view = doc->GetFirstView()) view->OnInitialUpdate();
  m_pFrame->OnUpdateFrameTitle(true);
  if (makeVisible && !m_pFrame->isVisible()) m_pFrame->show();
  return doc;
}

void CSingleDocTemplate::CloseAllDocuments() {
  if (m_pFrame != nullptr) {
    m_pFrame->DestroyFrame();  // calls OnFrameDestroyed
  } else {
    m_pDocument.reset();
  }
}

void CSingleDocTemplate::OnFrameDestroyed(CFrameWnd* frame) {
  if (frame != m_pFrame) return;
  if (m_pDocument != nullptr) {
    m_pDocument->DeleteContents();
    const std::vector<CView*> views = m_pDocument->m_views;
    for (CView* view : views) m_pDocument->RemoveView(view);
  }
  m_pDocument.reset();
  m_pFrame = nullptr;
}

// ---- CDocManager

CDocManager::~CDocManager() = default;

void CDocManager::AddDocTemplate(CSingleDocTemplate* docTemplate) {
  m_templates.emplace_back(docTemplate);
}

void CDocManager::OnFileNew() {
  if (CSingleDocTemplate* t = GetTemplate()) t->OpenDocumentFile(QString());
}

void CDocManager::OnFileOpen() {
  QString path;
  if (!DoPromptFileName(&path, true, nullptr)) return;
  OpenDocumentFile(path);
}

CDocument* CDocManager::OpenDocumentFile(const QString& path) {
  CSingleDocTemplate* t = GetTemplate();
  return t != nullptr ? t->OpenDocumentFile(path) : nullptr;
}

bool CDocManager::DoPromptFileName(QString* path, bool open, CDocument* document) {
  CSingleDocTemplate* t = GetTemplate();
  QStringList filters;
  if (t != nullptr && !t->GetDocString(3).isEmpty()) filters << t->GetDocString(3);
  filters << AfxString(AFX_IDS_ALLFILTER) + QStringLiteral(" (*)");
  QFileDialog dialog(AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setWindowTitle(AfxString(open ? AFX_IDS_OPENFILE : AFX_IDS_SAVEFILE));
  dialog.setNameFilters(filters);
  if (open) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (t != nullptr) dialog.setDefaultSuffix(t->GetDocString(4).remove(QLatin1Char('.')));
    if (document != nullptr) {
      dialog.selectFile(document->GetPathName().isEmpty() ? document->GetTitle()
                                                          : document->GetPathName());
    }
  }
  if (AfxRunModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  *path = dialog.selectedFiles().first();
  return true;
}
