#include "shell/LogoWnd.h"

#include <QPainter>
#include <QTimerEvent>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/LogoWaveform.h"
#include "shell/TTSDemoApp.h"

CLogoWnd::CLogoWnd(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("LogWnd"));
  setAccessibleName(AfxString(IDS_LOGO_NAME));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::ArrowCursor);
  setGeometry(0, 0, 46, 24);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_rcClient = rect();
    m_bitmap = MakeLogoBitmap(m_rcClient.size());
    m_nBitmapWidth = m_rcClient.width();
    m_nBitmapHeight = m_rcClient.height();
  }
  m_timer.start(100, this);
  if (CTTSDemoApp* app = TheApp()) app->m_pLogoWnd = this;
}

CLogoWnd::~CLogoWnd() {
  m_timer.stop();
  if (CTTSDemoApp* app = TheApp(); app != nullptr && app->m_pLogoWnd == this)
    app->m_pLogoWnd = nullptr;
}

void CLogoWnd::SetWaveFormat(const WAVEFORMATEX& format) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_wfx = format;
}

void CLogoWnd::AddAudio(const uint8_t* data, uint32_t n) {
  if (data == nullptr || n == 0) return;
  WAVEFORMATEX format;
  QSize client;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    format = m_wfx;
    client = m_rcClient.size();
  }
  QImage bitmap;
  if (!DrawLogoWaveform(format, data, n, client, &bitmap)) return;
  std::lock_guard<std::mutex> lock(m_lock);
  m_bitmap.swap(bitmap);
  m_nBitmapWidth = m_bitmap.width();
  m_nBitmapHeight = m_bitmap.height();
  m_nScroll = 0;
  // The old picture is released with `bitmap` after the lock: painting only
  // ever holds deep copies of it.
}

void CLogoWnd::ShowEnd() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_nScroll = LogoScrollToEnd(m_nBitmapWidth, m_rcClient.width());
}

QImage CLogoWnd::VisiblePart() const {
  QImage part;
  QSize client;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    client = m_rcClient.size();
    part = m_bitmap.copy(m_nScroll, 0, client.width(), client.height());
  }
  // copy() fills what lies outside the bitmap with black.
  return part;
}

int CLogoWnd::BitmapWidth() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_nBitmapWidth;
}

int CLogoWnd::Scroll() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_nScroll;
}

void CLogoWnd::paintEvent(QPaintEvent*) {
  const QImage part = VisiblePart();
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!part.isNull()) painter.drawImage(0, 0, part);
}

void CLogoWnd::resizeEvent(QResizeEvent* event) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_rcClient = rect();
  }
  QWidget::resizeEvent(event);
}

void CLogoWnd::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_timer.timerId()) {
    QWidget::timerEvent(event);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_nScroll = LogoScrollAfterTick(m_nScroll, m_nBitmapWidth, m_rcClient.width());
  }
  update();
}
