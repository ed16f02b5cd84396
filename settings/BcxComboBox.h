// CBcxComboBox: the control panel's drop-down lists. A QComboBox painted
// flat (face-coloured surround, a one-pixel border, the window-coloured
// field and a drop-down button) with a distinct hot look while the mouse is
// over it, that can fill itself from a string of the current resource
// module, one item per line. The user's completed choice is activated().
//
// Threads: the user-interface thread.
#pragma once

#include <QComboBox>
#include <QStringList>

class CBcxComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit CBcxComboBox(int controlId, QWidget* parent = nullptr);

  int ControlId() const { return m_controlId; }

  // Replaces the items by the lines of string `stringId` (-1: the string
  // with the control's own id) of the current resource module. False, with
  // the items left as they were, when the string is missing or empty. After
  // loading, the first item is the current one (as for any non-editable
  // QComboBox that receives items).
  bool LoadItems(int stringId = -1);
  // The items a string holds: lines split at line feeds; a final line feed
  // adds no empty item, an empty line between two line feeds adds one.
  static QStringList ItemsFromText(const QString& text);

  bool IsMouseOver() const { return m_bMouseOver; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int m_controlId;
  bool m_bMouseOver = false;
};
