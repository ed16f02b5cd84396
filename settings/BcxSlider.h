// CBcxSlider: the control panel's horizontal slider (speech rate, pitch,
// volume). A QSlider with its own painting: the bar face as background, a
// 10-pixel channel strip at the bottom (solid while active, a checkerboard
// while idle), the minimum and maximum written at its left and right ends,
// and a 16 by 10 thumb from bitmap 17015 (left image active, right idle).
// "Active" means the mouse is over it or it has the keyboard focus.
//
// A buddy label always shows the value ("%d"), however it changed.
// Committed(value) tells the owner that the user finished a change, so that
// the value can be sent on: when the mouse releases the slider, when a key
// that moved it goes up (not on auto-repeat; or when the focus leaves before
// that), and once the wheel has rested for kWheelSettleMs. Never during a
// mouse drag, never for a change made by the program. It carries the value
// even when it did not change; the owner decides whether to send.
//
// Threads: the user-interface thread.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QTimer>

class CBcxSlider : public QSlider {
  Q_OBJECT

 public:
  static constexpr int kWheelSettleMs = 300;
  static constexpr int kThumbWidth = 16;
  static constexpr int kThumbHeight = 10;

  explicit CBcxSlider(QWidget* parent = nullptr);

  // The label that shows the value (null: none). Not owned.
  void SetBuddyLabel(QLabel* label);
  QLabel* BuddyLabel() const { return m_buddy; }

  bool IsMouseOver() const { return m_bMouseOver; }
  bool IsActive() const;
  // Where the thumb of a slider of `size` stands for `position` in
  // minimum..maximum: 16 by 10, its top 11 pixels above the bottom, kept
  // inside the slider (0..15 at the minimum, the last 16 pixels at the
  // maximum).
  static QRect ThumbRect(const QSize& size, int minimum, int maximum, int position);
  // The channel strip: 10 pixels high, from 11 to 1 pixels above the bottom.
  static QRect ChannelRect(const QSize& size);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void Committed(int value);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void sliderChange(SliderChange change) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void UpdateBuddy();
  void Commit();
  QFont RangeFont() const;

  bool m_bMouseOver = false;
  bool m_bMousePressed = false;  // a left press on the slider is not yet released
  bool m_bKeyChanged = false;    // a key moved the slider; commit when it goes up
  QImage m_bmpThumb;
  QPointer<QLabel> m_buddy;
  QTimer m_wheelTimer;
};
