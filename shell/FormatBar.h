// CFormatBar: the toolbar with the text font's name and size and the text
// encoding menu. The three buttons of toolbar 112 are replaced by a
// font-name combo, a font-size combo and a menu button listing the code
// pages (one command per listed code page, ID_CODEPAGE_FIRST + index).
// Its state (font name, size, character set) is saved with the bar layout.
//
// Threads: the user-interface thread.
#pragma once

#include <QComboBox>
#include <QFontComboBox>
#include <QToolBar>
#include <cstdint>

class CFrameWnd;
class QToolButton;

class CFormatBar : public QToolBar {
  Q_OBJECT

 public:
  explicit CFormatBar(CFrameWnd* frame);

  // Builds the bar's controls from toolbar resource 112.
  void Reset();

  QFontComboBox* FontNameBox() const { return m_pFontName; }
  QComboBox* FontSizeBox() const { return m_pFontSize; }
  QToolButton* EncodingButton() const { return m_pEncoding; }
  // Lists the sizes of the chosen face in the size box, keeping its text.
  void RebuildSizes();
  // Shows a font's face and size in the boxes.
  void ShowFont(const QFont& font);

  // Saved and restored with the bar layout: name, size, character set.
  void SaveState(const QString& section) const;
  void LoadState(const QString& section);

  // Average character width and height of the default GUI font.
  int m_nAveCharWidth = 0;
  int m_nCharHeight = 0;
  // The character set used with the chosen font; 1 (default) at first.
  uint32_t m_nCharSet = 1;

 private:
  CFrameWnd* m_pFrame;
  QFontComboBox* m_pFontName = nullptr;
  QComboBox* m_pFontSize = nullptr;
  QToolButton* m_pEncoding = nullptr;
};
