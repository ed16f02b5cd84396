// CJDButton: a flat image button with hover feedback, used for the control
// panel's two scroll buttons. It is a QAbstractButton, so focus, Space,
// shortcuts and accessibility work as for any button; only the looks and the
// image handling are its own.
//
// The command to the parent is clicked(): once per completed click (press
// and release on the button, or Space), none when the press is dragged off
// and released outside, none while disabled. In toggle mode the button is
// checkable and each click flips its checked state.
//
// Looks (flat): state 0 normal (no frame), 1 pressed or checked (sunken
// frame), 2 hot (raised frame: the mouse is over it or it has the keyboard
// focus). The image is the hot one under the mouse, the disabled one while
// disabled, and the hot one whenever the button is checked in toggle mode.
// A disabled button draws its text embossed.
//
// Threads: the user-interface thread.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <vector>

class CJDButton : public QAbstractButton {
  Q_OBJECT

 public:
  // Where the text goes relative to the image (without images the text is
  // centred): 0 image left, text right of it, vertically centred; 1 text
  // after an image column of image width + 4; 2 image above, text at the
  // bottom, centred; 3 image centred, text below it, centred.
  enum { kLayoutImageLeft = 0, kLayoutImageColumn = 1, kLayoutTextBottom = 2, kLayoutImageTop = 3 };

  explicit CJDButton(QWidget* parent = nullptr);
  explicit CJDButton(const QString& text, QWidget* parent = nullptr);

  // Loads the bitmap `bitmapId` from the current resource module and cuts it
  // into images `imageWidth` wide (pure green 0,255,0 is transparent). A hot
  // or disabled index of -1 means the normal one. A button without text is
  // resized to one image plus 4 pixels in each dimension (its position
  // stays). False, with the previous images kept, when the bitmap is missing
  // or the width is not positive.
  bool SetImages(int bitmapId, int imageWidth, int normal, int hot = -1, int disabled = -1);
  // The tool tip, shown only while `activate` is true. A button without text
  // also takes it as its accessible name.
  void SetTooltipText(const QString& text, bool activate = true);

  void SetFlat(bool flat);
  bool IsFlat() const { return m_bFlat; }
  void SetToggleMode(bool toggle);
  bool IsToggleMode() const { return m_bToggleMode; }
  // One of the layouts above; other values are ignored.
  void SetTextLayout(int layout);
  int TextLayout() const { return m_nLayout; }
  // The background fill; an invalid colour (the default) fills nothing.
  void SetBackColor(const QColor& color);

  // 0 normal, 1 pressed, 2 hot (see above).
  int State() const;
  // The index of the image drawn now, -1 for none.
  int CurrentImage() const;
  bool IsMouseOver() const { return m_bMouseOver; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void Init();
  QSize ImageSize() const;

  bool m_bFlat = true;
  bool m_bToggleMode = false;
  bool m_bTooltipActive = false;
  bool m_bMouseOver = false;
  int m_nLayout = kLayoutImageColumn;
  QColor m_crBack;  // invalid: no fill
  std::vector<QPixmap> m_images;
  int m_normal = -1;
  int m_hot = -1;
  int m_disabled = -1;
};
