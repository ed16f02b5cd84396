// CTTSDemoView: the edit view that holds the document's text. Lines wrap at
// the window's edge. The editing commands come from CEditView; files
// dropped on the view are opened as documents rather than inserted as text.
//
// Threads: the user-interface thread.
#pragma once

#include "framework/DocView.h"

class CTTSDemoView : public CEditView {
  Q_OBJECT
  DECLARE_DYNAMIC(CTTSDemoView)

 public:
  CTTSDemoView();

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
};

// The first local file among dropped or pasted data, or empty.
QString DroppedFile(const QMimeData* data);
// Opens a dropped file as the document through the document manager, once
// the drop has finished (the open replaces the view it was dropped on).
void OpenDroppedFile(const QString& file);
