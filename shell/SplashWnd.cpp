#include "shell/SplashWnd.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <exception>
#include <thread>

#include "framework/QueuedEvent.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/DibFile.h"

CSplashWnd* g_pSplashWnd = nullptr;

SplashTextPlacement PlaceSplashText(const QString& text, const QSize& picture) {
  if (text.size() >= 100)
    return {QRect(QPoint(0, 20), QPoint(picture.width() - 1, picture.height() - 1)),
            Qt::AlignHCenter | Qt::AlignTop};
  return {QRect(QPoint(214, 100), QPoint(picture.width() - 1, picture.height() - 1)),
          Qt::AlignLeft | Qt::AlignTop};
}

CSplashWnd::CSplashWnd(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("SplashWnd"));
  // The program's start-up and error texts must be read before anything else
  // is used; the main window, if any, waits meanwhile as the user-interface
  // thread would.
  setWindowModality(Qt::ApplicationModal);
  setFocusPolicy(Qt::StrongFocus);
  // Its going never ends the program, even while it is the only window.
  setAttribute(Qt::WA_QuitOnClose, false);
  setCursor(Qt::ArrowCursor);
}

CSplashWnd::~CSplashWnd() {
  if (m_waitLoop != nullptr) m_waitLoop->quit();
  if (g_pSplashWnd == this) g_pSplashWnd = nullptr;
}

bool CSplashWnd::Create(const QImage& picture) {
  if (picture.isNull()) return false;
  m_bitmap = picture;
  QImage file;
  if (LoadDIBFile(QStringLiteral("ttssplash.bmp"), &file)) m_hDIB = file;

  const QString title = AfxString(AFX_IDS_APP_TITLE);
  setWindowTitle(title);
  setAccessibleName(title);
  setFixedSize(m_bitmap.size());

  m_picture = new QLabel(this);
  m_picture->setObjectName(QStringLiteral("SplashPicture"));
  m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);
  const QImage& shown = m_hDIB.isNull() ? m_bitmap : m_hDIB;
  m_picture->setPixmap(QPixmap::fromImage(shown));
  m_picture->setGeometry(QRect(QPoint(0, 0), shown.size()));

  m_text = new QLabel(this);
  m_text->setObjectName(QStringLiteral("SplashText"));
  m_text->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_text->setTextFormat(Qt::PlainText);
  m_text->setWordWrap(false);
  // Drawn as on a plain painting surface: default text colour, no background.
  QPalette palette = m_text->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  m_text->setPalette(palette);
  m_text->setAutoFillBackground(false);
  m_text->setVisible(m_hDIB.isNull());
  SetText(m_strText);

  CentreOnOwner();
  return true;
}

void CSplashWnd::SetText(const QString& text) {
  m_strText = text;
  if (m_text == nullptr) return;
  const SplashTextPlacement place = PlaceSplashText(text, m_bitmap.size());
  m_text->setGeometry(place.rect);
  m_text->setAlignment(place.alignment);
  m_text->setText(text);
  update();
}

void CSplashWnd::CentreOnOwner() {
  QWidget* owner = parentWidget();
  QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
  QRect frame(QPoint(0, 0), size());
  frame.moveCenter(owner != nullptr ? owner->frameGeometry().center() : area.center());
  // Kept on the screen, as a centred window is.
  if (area.isValid()) {
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    if (frame.top() < area.top()) frame.moveTop(area.top());
  }
  move(frame.topLeft());
}

void CSplashWnd::WaitForUser() {
  m_bCloseOnInput = 1;
  if (!isVisible() || m_waitLoop != nullptr) return;
  activateWindow();
  setFocus(Qt::OtherFocusReason);
  QEventLoop loop;
  m_waitLoop = &loop;
  QPointer<CSplashWnd> self(this);
  loop.exec();
  if (self) m_waitLoop = nullptr;
}

void CSplashWnd::EndWait() {
  if (m_waitLoop != nullptr) m_waitLoop->quit();
}

void CSplashWnd::UserInput() {
  if (m_bCloseOnInput) EndWait();
}

void CSplashWnd::keyPressEvent(QKeyEvent* event) {
  UserInput();
  QWidget::keyPressEvent(event);
}

void CSplashWnd::mousePressEvent(QMouseEvent* event) {
  const Qt::MouseButton b = event->button();
  if (b == Qt::LeftButton || b == Qt::RightButton || b == Qt::MiddleButton) UserInput();
  QWidget::mousePressEvent(event);
}

void CSplashWnd::closeEvent(QCloseEvent* event) {
  // Closed by the window manager: a waiting CloseSplash must not wait on a
  // window that is gone.
  EndWait();
  QWidget::closeEvent(event);
}

void ShowSplash(const QString& text, QWidget* owner) {
  if (g_pSplashWnd != nullptr) {
    if (!text.isEmpty()) g_pSplashWnd->SetText(text);
    return;
  }
  auto* wnd = new CSplashWnd(owner);
  if (!wnd->Create(AfxGetResourceHandle()->Bitmap(IDB_SPLASH))) {
    delete wnd;
    return;
  }
  if (!text.isEmpty()) wnd->SetText(text);
  g_pSplashWnd = wnd;
  wnd->show();
  wnd->repaint();
}

void SetSplashText(const QString& text) {
  if (g_pSplashWnd != nullptr) g_pSplashWnd->SetText(text);
}

void CloseSplash(bool waitForUser) {
  CSplashWnd* wnd = g_pSplashWnd;
  if (wnd == nullptr) return;
  if (wnd->IsWaiting()) {
    wnd->EndWait();
    return;
  }
  if (waitForUser) {
    QPointer<CSplashWnd> alive(wnd);
    wnd->WaitForUser();
    if (!alive) return;  // destroyed with its owner meanwhile
  }
  g_pSplashWnd = nullptr;
  delete wnd;
}

void RunBesideEventLoop(std::function<void()> work) {
  QEventLoop loop;
  CQueuedCallReceiver done;  // lives on this thread: the quit runs here
  std::exception_ptr failure;
  std::thread helper([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    done.Post([&loop] { loop.quit(); });
  });
  loop.exec();
  helper.join();
  if (failure) std::rethrow_exception(failure);
}
