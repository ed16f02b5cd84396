#include "document/TxtDocManager.h"

#include <QFileInfo>

#include "document/TextCodePage.h"
#include "document/TxtFileDialog.h"
#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "framework/WinApp.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"

bool g_bExplicitCodePage = false;

namespace {

// Whether the template's document is the file at path (absolute).
bool IsOpenIn(const CSingleDocTemplate* docTemplate, const QString& path) {
  const CDocument* doc = docTemplate->GetDocument();
  if (doc == nullptr || doc->GetPathName().isEmpty()) return false;
  if (doc->GetPathName() == path) return true;
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return !canonical.isEmpty() && QFileInfo(doc->GetPathName()).canonicalFilePath() == canonical;
}

// The dialog's type list entry of a template: its filter name, then the
// patterns of its extensions (".txt;.text" gives "*.txt *.text").
QString TemplateFilter(const CSingleDocTemplate* docTemplate, QString* defaultSuffix) {
  const QString name = docTemplate->GetDocString(3);
  const QString extensions = docTemplate->GetDocString(4);
  if (name.isEmpty() || extensions.isEmpty()) return {};
  QStringList patterns;
  for (const QString& extension : extensions.split(QLatin1Char(';'), Qt::SkipEmptyParts))
    patterns << QLatin1Char('*') + extension;
  if (defaultSuffix->isEmpty())
    *defaultSuffix = extensions.section(QLatin1Char(';'), 0, 0).remove(QLatin1Char('.'));
  return name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

CTxtDocManager::CTxtDocManager() {
  // Both the current and the previous code page start at the system's.
  AcceptTextCodePage(GetACP());
  AcceptTextCodePage(GetACP());
  g_bExplicitCodePage = false;
}

CDocument* CTxtDocManager::OpenDocumentFile(const QString& pathIn) {
  QString path = pathIn;
  if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
    path = path.mid(1, path.size() - 2);
  if (path.isEmpty()) return CDocManager::OpenDocumentFile(path);
  path = QFileInfo(path).absoluteFilePath();

  CSingleDocTemplate* docTemplate = GetTemplate();
  if (docTemplate == nullptr) {
    AfxMessageBox(IDS_OPEN_NO_TEMPLATE, MB_OK | MB_ICONWARNING);
    return nullptr;
  }
  // The file is already open: with the same code page only its window comes
  // forward; with another one it is read again through the template.
  if (IsOpenIn(docTemplate, path) && GetTextCodePage() == GetPrevTextCodePage()) {
    // No load follows that would use (and clear) an explicit choice.
    g_bExplicitCodePage = false;
    if (CFrameWnd* frame = docTemplate->GetFrame()) {
      frame->show();
      frame->raise();
      frame->activateWindow();
    }
    return docTemplate->GetDocument();
  }
  return docTemplate->OpenDocumentFile(path);
}

bool CTxtDocManager::DoPromptFileName(QString* path, bool open, CDocument* document) {
  CTxtFileDialog dialog(open, AfxGetApp() != nullptr ? AfxGetApp()->m_pMainWnd : nullptr);
  dialog.setWindowTitle(AfxString(open ? AFX_IDS_OPENFILE : AFX_IDS_SAVEFILE));
  // The types show their names as they stand ("Text Files(*.txt)"); the
  // all-files entry lists every file, with or without an extension.
  QString defaultSuffix;
  QStringList filters;
  const CSingleDocTemplate* docTemplate =
      document != nullptr ? document->GetDocTemplate() : GetTemplate();
  if (docTemplate != nullptr) {
    const QString filter = TemplateFilter(docTemplate, &defaultSuffix);
    if (!filter.isEmpty()) filters << filter;
  }
  filters << AfxString(AFX_IDS_ALLFILTER) + QStringLiteral(" (*)");
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(filters);
  if (!open) {
    dialog.setDefaultSuffix(defaultSuffix);
    if (document != nullptr)
      dialog.selectFile(document->GetPathName().isEmpty() ? document->GetTitle()
                                                          : document->GetPathName());
  }
  if (AfxRunModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  *path = dialog.selectedFiles().first();
  AcceptTextCodePage(dialog.m_nCodePage);
  return true;
}
