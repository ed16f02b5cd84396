// CLogoWnd: the 46 by 24 pixel child of the main frame (its top-right
// corner) that shows the waveform of the audio being played as a green trace
// on black, scrolling 10 pixels every 100 ms, which is the speed at which the
// audio plays (one column is 10 ms; see LogoWaveform.h). Each block the
// document hands over replaces the picture and is first seen from the
// window's middle; between blocks the last picture scrolls on to its end.
//
// It owns the waveform bitmap, guarded by its own lock. Threads: AddAudio is
// called on the thread that reports played blocks; it draws into a new bitmap
// without the lock and swaps it in under the lock, and never waits for the
// user-interface thread. The timer, painting and size changes run on the
// user-interface thread and take the lock for the values they share.
// SetWaveFormat and ShowEnd may be called on either. The caller makes sure
// no AddAudio runs when the window is destroyed.
//
// The window records itself in TheApp()->m_pLogoWnd when an application
// object exists, and clears that record when it goes if it still points to
// it.
#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <mutex>

#include "audio/AudioTypes.h"

class CLogoWnd : public QWidget {
 public:
  explicit CLogoWnd(QWidget* parent = nullptr);
  ~CLogoWnd() override;

  // The format of the blocks that AddAudio receives.
  void SetWaveFormat(const WAVEFORMATEX& format);
  // Draws one played block (n bytes at data); nothing when either is 0 or
  // the format gives no columns.
  void AddAudio(const uint8_t* data, uint32_t n);
  // Scrolls to the end of the picture.
  void ShowEnd();

  // What the window shows now: the client-sized part of the bitmap at the
  // scroll position (black beyond the bitmap's end).
  QImage VisiblePart() const;
  int BitmapWidth() const;
  int Scroll() const;

  QSize sizeHint() const override { return QSize(46, 24); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  mutable std::mutex m_lock;
  QRect m_rcClient;
  WAVEFORMATEX m_wfx = kDefaultWaveFormat;
  QImage m_bitmap;  // m_nBitmapWidth by m_nBitmapHeight
  int m_nBitmapWidth = 0;
  int m_nBitmapHeight = 0;
  int m_nScroll = 0;
  QBasicTimer m_timer;
};
