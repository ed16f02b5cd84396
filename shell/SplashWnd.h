// The splash screen: a frameless tool window that shows the program's picture
// (bitmap 109 of the current resource module) with a progress or error text
// while the engine starts, and the engine's own splash text on request.
//
// Picture and text: the window always has the size of bitmap 109. When the
// file "ttssplash.bmp" in the current directory can be read (LoadDIBFile),
// that picture is shown at 0,0 in its own size instead, and no text. The text
// sits in a QLabel placed by PlaceSplashText, so accessibility tools read it;
// it breaks lines only at line feeds.
//
// Life: ShowSplash makes the one splash (g_pSplashWnd), SetSplashText changes
// its text, CloseSplash ends it, at once or after the user's next key or
// mouse button on it. Without bitmap 109 no splash is made, and SetSplashText
// and CloseSplash return at once.
//
// Threads: all of it runs on the user-interface thread (Qt widgets live
// there). Work that must not block the splash's painting (the engine
// bring-up) runs on a helper thread through RunBesideEventLoop.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QEventLoop;
class QLabel;

// Where a text goes on a picture of the given size: a text of 100 characters
// (UTF-16 code units) or more in the rectangle from (0, 20) to the picture's
// size, each line centred; a shorter one in the rectangle from (214, 100),
// left-aligned from the top.
struct SplashTextPlacement {
  QRect rect;
  Qt::Alignment alignment;
};
SplashTextPlacement PlaceSplashText(const QString& text, const QSize& picture);

class CSplashWnd : public QWidget {
 public:
  // owner: the window the splash is centred on and stays above; null for the
  // screen.
  explicit CSplashWnd(QWidget* owner = nullptr);
  ~CSplashWnd() override;

  // Builds the window around picture (bitmap 109) and centres it; also tries
  // "ttssplash.bmp" in the current directory. False, with nothing shown, when
  // picture is null.
  bool Create(const QImage& picture);

  void SetText(const QString& text);
  const QString& Text() const { return m_strText; }
  // Whether the picture comes from "ttssplash.bmp".
  bool ShowsImageFile() const { return !m_hDIB.isNull(); }

  // Sets m_bCloseOnInput and runs a local event loop until the user presses
  // a key or the left, right or middle mouse button on the window, closes
  // it, or EndWait is called. Returns at once when the window is hidden. The
  // window may have been destroyed when this returns (its owner went).
  void WaitForUser();
  bool IsWaiting() const { return m_waitLoop != nullptr; }
  void EndWait();

  int32_t m_bCloseOnInput = 0;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CentreOnOwner();
  void UserInput();

  QImage m_bitmap;    // bitmap 109
  QString m_strText;  // the text shown on bitmap 109
  QImage m_hDIB;      // "ttssplash.bmp", null when absent or unreadable
  QLabel* m_picture = nullptr;
  QLabel* m_text = nullptr;
  QEventLoop* m_waitLoop = nullptr;
};

// The running splash, null when none.
extern CSplashWnd* g_pSplashWnd;

// Shows the splash with text (none when empty), centred on owner (or on the
// screen when null). When a splash already runs, only its text changes (when
// one is given): there is one splash at a time. When bitmap 109 cannot be
// loaded nothing is shown and g_pSplashWnd stays null.
void ShowSplash(const QString& text = {}, QWidget* owner = nullptr);
// Changes the running splash's text; nothing without a splash.
void SetSplashText(const QString& text);
// Ends the running splash: at once when waitForUser is false, else only after
// the user's key press or mouse click on it (WaitForUser). Then the window is
// destroyed and g_pSplashWnd is null. Nothing without a splash. Called while
// another CloseSplash waits for the user, it ends that wait, and the waiting
// call destroys the window.
void CloseSplash(bool waitForUser);

// Runs work on a helper thread while a local event loop on the calling
// (user-interface) thread keeps windows painting; returns when work has
// returned, rethrowing what it threw. No busy waiting. The loop handles every
// event: while the splash is shown it is application-modal, so user input
// reaches only the splash (where it does nothing until CloseSplash waits for
// it). Held-back input would instead arrive later and could dismiss an error
// text at once.
void RunBesideEventLoop(std::function<void()> work);
