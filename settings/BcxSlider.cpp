#include "settings/BcxSlider.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"

namespace {

// Gives the platform style the slider's own geometry, so that pressing,
// dragging and clicking the channel act on the thumb where it is painted.
class CSliderGeometryStyle : public QProxyStyle {
 public:
  CSliderGeometryStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override {
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control == CC_Slider && slider != nullptr) {
      const QSize size = slider->rect.size();
      if (sub == SC_SliderHandle)
        return CBcxSlider::ThumbRect(size, slider->minimum, slider->maximum,
                                     slider->sliderPosition);
      if (sub == SC_SliderGroove) return CBcxSlider::ChannelRect(size);
      if (sub == SC_SliderTickmarks) return QRect();
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
  }

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_SliderLength) return CBcxSlider::kThumbWidth;
    if (metric == PM_SliderThickness || metric == PM_SliderControlThickness)
      return CBcxSlider::kThumbHeight;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

CBcxSlider::CBcxSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  auto* geometry = new CSliderGeometryStyle;
  geometry->setParent(this);
  setStyle(geometry);
  setFocusPolicy(Qt::StrongFocus);
  m_bmpThumb = AfxGetResourceHandle()->Bitmap(IDB_SLIDER_THUMB);
  m_wheelTimer.setSingleShot(true);
  m_wheelTimer.setInterval(kWheelSettleMs);
  connect(&m_wheelTimer, &QTimer::timeout, this, &CBcxSlider::Commit);
}

void CBcxSlider::SetBuddyLabel(QLabel* label) {
  m_buddy = label;
  UpdateBuddy();
}

bool CBcxSlider::IsActive() const {
  return isEnabled() && (m_bMouseOver || hasFocus());
}

QRect CBcxSlider::ChannelRect(const QSize& size) {
  return QRect(0, size.height() - 11, size.width(), 10);
}

QRect CBcxSlider::ThumbRect(const QSize& size, int minimum, int maximum, int position) {
  const int span = qMax(0, size.width() - kThumbWidth);
  const int x = QStyle::sliderPositionFromValue(minimum, maximum, position, span);
  return QRect(x, size.height() - 11, kThumbWidth, kThumbHeight);
}

QFont CBcxSlider::RangeFont() const {
  return parentWidget() != nullptr ? parentWidget()->font() : font();
}

QSize CBcxSlider::sizeHint() const {
  return QSize(QSlider::sizeHint().width(), QFontMetrics(RangeFont()).height() + 13);
}

QSize CBcxSlider::minimumSizeHint() const {
  return QSize(3 * kThumbWidth, QFontMetrics(RangeFont()).height() + 13);
}

void CBcxSlider::UpdateBuddy() {
  if (m_buddy != nullptr) m_buddy->setText(QString::asprintf("%d", value()));
}

void CBcxSlider::Commit() {
  m_wheelTimer.stop();
  m_bKeyChanged = false;
  emit Committed(value());
}

void CBcxSlider::sliderChange(SliderChange change) {
  // Also reached when the owner blocks signals while setting the value.
  QSlider::sliderChange(change);
  UpdateBuddy();
}

bool CBcxSlider::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Enter:
      m_bMouseOver = true;
      update();
      break;
    case QEvent::Leave:
      m_bMouseOver = false;
      update();
      break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      update();
      break;
    case QEvent::EnabledChange:
    case QEvent::Hide:
      // A press whose release never comes must not hold back later commits.
      m_bMousePressed = false;
      break;
    default:
      break;
  }
  return QSlider::event(event);
}

void CBcxSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) m_bMousePressed = true;
  QSlider::mousePressEvent(event);
}

void CBcxSlider::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && m_bMousePressed) {
    m_bMousePressed = false;
    Commit();
  }
}

void CBcxSlider::keyPressEvent(QKeyEvent* event) {
  const int before = value();
  QSlider::keyPressEvent(event);
  if (value() != before) m_bKeyChanged = true;
}

void CBcxSlider::keyReleaseEvent(QKeyEvent* event) {
  QSlider::keyReleaseEvent(event);
  if (!event->isAutoRepeat() && m_bKeyChanged && !m_bMousePressed) Commit();
}

void CBcxSlider::wheelEvent(QWheelEvent* event) {
  const int before = value();
  QSlider::wheelEvent(event);
  if (value() != before && !m_bMousePressed) m_wheelTimer.start();
}

void CBcxSlider::focusOutEvent(QFocusEvent* event) {
  // A key that moved the slider may go up after the focus has left.
  if (m_bKeyChanged && !m_bMousePressed) Commit();
  QSlider::focusOutEvent(event);
}

void CBcxSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QSize size = this->size();
  const bool active = IsActive();

  p.fillRect(rect(), pal.color(QPalette::Window));

  const QRect channel = ChannelRect(size);
  p.fillRect(channel, pal.color(QPalette::Highlight));
  if (!active) {
    // Every second pixel in the button face colour, alternating by row.
    p.setBrushOrigin(0, 0);
    p.fillRect(channel, QBrush(pal.color(QPalette::Button), Qt::Dense4Pattern));
  }

  p.setFont(RangeFont());
  p.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  const QRect textRect(0, 0, size.width(), channel.top() - 1);
  const int flags = Qt::TextSingleLine | Qt::AlignBottom;
  p.drawText(textRect, flags | Qt::AlignLeft, QString::asprintf("%d", minimum()));
  p.drawText(textRect, flags | Qt::AlignRight, QString::asprintf("%d", maximum()));

  const QRect thumb = ThumbRect(size, minimum(), maximum(), sliderPosition());
  if (m_bmpThumb.width() >= 2 * kThumbWidth) {
    const QRect source(active ? 0 : kThumbWidth, 0, kThumbWidth, kThumbHeight);
    p.drawImage(thumb.topLeft(), m_bmpThumb, source);
  } else {
    // Without the picture: a plain thumb in the same colours.
    p.fillRect(thumb, pal.color(active ? QPalette::Highlight : QPalette::Mid));
  }
}
