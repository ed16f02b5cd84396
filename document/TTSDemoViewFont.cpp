// The view's text font and the format bar's font boxes. The boxes always
// show the view's actual font: every change (a face or a size chosen in the
// boxes, the font dialog) is applied to the view first and then shown back
// in the boxes. The bar saves what its boxes show with the bar layout, so the
// font survives a restart, and a new frame (after a language switch) takes
// it from the boxes at its first update.
//
// Fonts are Unicode on this platform: a face has no character set to choose,
// so the format bar's character set stays as the bar keeps it. Sizes are
// whole points (FontSize.h).
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDialog>
#include <QLineEdit>

#include "document/FontSize.h"
#include "document/TTSDemoView.h"
#include "framework/MessageBox.h"
#include "resources/ResourceIds.h"
#include "shell/FormatBar.h"

void CTTSDemoView::RegisterFontCommands() {
  MapCommand(ID_FORMAT_FONTNAME, [this] { OnFontName(); });
  MapCommand(ID_FORMAT_FONTSIZE, [this] { OnFontSize(); });
  MapCommand(ID_VIEW_FONT, [this] { OnFontDialog(); });
}

void CTTSDemoView::InitialFontUpdate() {
  AttachFormatBar();
  if (m_pFormatBar == nullptr) return;  // no frame: the view keeps its font
  QFontComboBox* name = m_pFormatBar->FontNameBox();
  QComboBox* size = m_pFormatBar->FontSizeBox();
  if (name == nullptr || size == nullptr) return;
  const FontSizeEntry entry = ParseFontSize(size->currentText());
  if (entry.kind == FontSizeEntry::kValid) {
    QFont text = font();
    text.setFamily(name->currentFont().family());
    text.setPointSize(entry.points);
    setFont(text);
  } else {
    m_pFormatBar->RebuildSizes();
  }
  SyncFormatBar();
}

void CTTSDemoView::AttachFormatBar() {
  if (m_pFormatBar != nullptr || window() == nullptr) return;
  m_pFormatBar = window()->findChild<CFormatBar*>();
  if (m_pFormatBar == nullptr) return;
  connect(m_pFormatBar, &QObject::destroyed, this, [this] { m_pFormatBar = nullptr; });
  if (QFontComboBox* name = m_pFormatBar->FontNameBox())
    connect(name, &QComboBox::activated, this, &CTTSDemoView::OnFontName);
  if (QComboBox* size = m_pFormatBar->FontSizeBox()) {
    connect(size, &QComboBox::activated, this, &CTTSDemoView::OnFontSize);
    // The box inserts nothing, so a typed size arrives as Return only.
    if (size->lineEdit() != nullptr)
      connect(size->lineEdit(), &QLineEdit::returnPressed, this, &CTTSDemoView::OnFontSize);
  }
}

void CTTSDemoView::SetTextFont(const QFont& chosen) {
  QFont text = chosen;
  // Whole points, as the size box shows and saves them.
  const int points = FontPointSize(chosen, logicalDpiY());
  if (points > 0) text.setPointSize(points);
  setFont(text);
  SyncFormatBar();
}

void CTTSDemoView::OnFontName() {
  if (m_pFormatBar == nullptr || m_pFormatBar->FontNameBox() == nullptr) return;
  QFont text = font();
  text.setFamily(m_pFormatBar->FontNameBox()->currentFont().family());
  setFont(text);
  SyncFormatBar();
}

void CTTSDemoView::OnFontSize() {
  if (m_pFormatBar == nullptr || m_pFormatBar->FontSizeBox() == nullptr) return;
  const FontSizeEntry entry = ParseFontSize(m_pFormatBar->FontSizeBox()->currentText());
  if (entry.kind == FontSizeEntry::kInvalid) {
    AfxMessageBox(IDS_INVALID_NUMBER, MB_OK | MB_ICONINFORMATION, this);
  } else if (entry.kind == FontSizeEntry::kValid) {
    QFont text = font();
    text.setPointSize(entry.points);
    setFont(text);
  }
  // An invalid or empty text gives way to the size the font has.
  SyncFormatBar(true);
}

void CTTSDemoView::OnFontDialog() {
  QFontDialog dialog(font(), window());
  if (AfxRunModal(&dialog) != QDialog::Accepted) return;
  SetTextFont(dialog.currentFont());
}

void CTTSDemoView::SyncFormatBar(bool sizeReported) {
  if (m_pFormatBar == nullptr) return;
  QComboBox* size = m_pFormatBar->FontSizeBox();
  if (size == nullptr || m_pFormatBar->FontNameBox() == nullptr) return;
  if (!sizeReported && ParseFontSize(size->currentText()).kind == FontSizeEntry::kInvalid)
    AfxMessageBox(IDS_INVALID_NUMBER, MB_OK | MB_ICONINFORMATION, this);
  QFont shown = font();
  const int points = FontPointSize(shown, logicalDpiY());
  if (points > 0) shown.setPointSize(points);
  m_pFormatBar->ShowFont(shown);
  if (points <= 0) {
    size->setEditText(QString());
    return;
  }
  // The list's current item follows the size (or the largest size below it),
  // so that the arrow keys step on from the size shown.
  int below = -1;
  for (int i = 0; i < size->count(); ++i)
    if (size->itemText(i).toInt() <= points) below = i;
  if (below >= 0 && below != size->currentIndex()) size->setCurrentIndex(below);
  size->setEditText(QString::number(points));
}
