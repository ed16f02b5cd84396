// CTxtDocManager: the document manager that knows text encodings. Its file
// dialogs are CTxtFileDialog (with the encoding box), and its open rule
// reads a file that is already open again when the text code page has
// changed since (so that a new code page takes effect), where the plain
// rule would only bring the open document forward.
//
// g_bExplicitCodePage: when true, the next load uses the current text code
// page as it stands and skips detection. An accepted file dialog with a
// specific code page and the code-page command set it; an accepted dialog
// on the automatic entry and every load or save clear it.
//
// Threads: the user-interface thread.
#pragma once

#include "framework/DocView.h"

extern bool g_bExplicitCodePage;

class CTxtDocManager : public CDocManager {
 public:
  // The text code page starts at the system code page, unchanged.
  CTxtDocManager();

  // Opens the file (one pair of enclosing quotes removed, made absolute)
  // with the document template; a file that is already open is only brought
  // forward unless the code page has changed. Message 61697 when there is
  // no template. Null when the open failed.
  CDocument* OpenDocumentFile(const QString& path) override;
  // The open (title 61440) or save (61441) dialog; on OK the previous code
  // page takes the current one's value and the current one the dialog's.
  bool DoPromptFileName(QString* path, bool open, CDocument* document) override;
};
