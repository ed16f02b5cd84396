#include "settings/JDButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include "framework/ResourceModule.h"

namespace {

// A one-pixel 3D rectangle: top and left edges in one colour, bottom and
// right in the other.
void Draw3dRect(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  p.fillRect(r.left(), r.top(), r.width() - 1, 1, topLeft);
  p.fillRect(r.left(), r.top(), 1, r.height() - 1, topLeft);
  p.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
  p.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
}

}  // namespace

CJDButton::CJDButton(QWidget* parent) : QAbstractButton(parent) {
  Init();
}

CJDButton::CJDButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
  setText(text);
  Init();
}

void CJDButton::Init() {
  // The panel's small 9-point font; a system without the face falls back to
  // its own Chinese font of that size.
  QFont f = font();
  f.setFamilies(QStringList{QStringLiteral("宋体"), QStringLiteral("SimSun")} + f.families());
  f.setPointSize(9);
  setFont(f);
  setFocusPolicy(Qt::StrongFocus);
}

bool CJDButton::SetImages(int bitmapId, int imageWidth, int normal, int hot, int disabled) {
  if (imageWidth <= 0 || bitmapId < 0) return false;
  QImage bitmap = AfxGetResourceHandle()->Bitmap(static_cast<uint32_t>(bitmapId));
  if (bitmap.isNull()) return false;
  bitmap = bitmap.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < bitmap.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
    for (int x = 0; x < bitmap.width(); ++x)
      if ((row[x] & 0xffffffu) == 0x00ff00u) row[x] = 0;
  }
  m_images.clear();
  for (int x = 0; x + imageWidth <= bitmap.width(); x += imageWidth)
    m_images.push_back(QPixmap::fromImage(bitmap.copy(x, 0, imageWidth, bitmap.height())));
  m_normal = normal;
  m_hot = hot == -1 ? normal : hot;
  m_disabled = disabled == -1 ? normal : disabled;
  if (text().isEmpty()) resize(ImageSize() + QSize(4, 4));
  updateGeometry();
  update();
  return true;
}

void CJDButton::SetTooltipText(const QString& text, bool activate) {
  setToolTip(text);
  m_bTooltipActive = activate;
  if (this->text().isEmpty()) setAccessibleName(text);
}

void CJDButton::SetFlat(bool flat) {
  m_bFlat = flat;
  update();
}

void CJDButton::SetToggleMode(bool toggle) {
  m_bToggleMode = toggle;
  setCheckable(toggle);
  if (!toggle) setChecked(false);
  update();
}

void CJDButton::SetTextLayout(int layout) {
  if (layout < kLayoutImageLeft || layout > kLayoutImageTop) return;
  m_nLayout = layout;
  update();
}

void CJDButton::SetBackColor(const QColor& color) {
  m_crBack = color;
  update();
}

int CJDButton::State() const {
  // The raised look also marks the keyboard focus: the flat look has no
  // other focus indication.
  if (isDown() || (m_bToggleMode && isChecked())) return 1;
  return m_bMouseOver || hasFocus() ? 2 : 0;
}

int CJDButton::CurrentImage() const {
  int index = m_normal;
  if (m_bMouseOver) index = m_hot;
  if (!isEnabled()) index = m_disabled;
  if (m_bToggleMode && isChecked()) index = m_hot;
  return index >= 0 && index < static_cast<int>(m_images.size()) ? index : -1;
}

QSize CJDButton::ImageSize() const {
  return m_images.empty() ? QSize(0, 0) : m_images.front().size();
}

QSize CJDButton::sizeHint() const {
  const QSize image = ImageSize();
  if (text().isEmpty()) return image + QSize(4, 4);
  const QSize textSize = fontMetrics().size(Qt::TextShowMnemonic, text());
  QSize content;
  switch (m_images.empty() ? -1 : m_nLayout) {
    case kLayoutImageLeft:
      content =
          QSize(image.width() + 2 + textSize.width(), qMax(image.height(), textSize.height()));
      break;
    case kLayoutImageColumn:
      content =
          QSize(image.width() + 4 + textSize.width(), qMax(image.height(), textSize.height()));
      break;
    case kLayoutTextBottom:
    case kLayoutImageTop:
      content = QSize(qMax(image.width(), textSize.width()), image.height() + textSize.height());
      break;
    default:
      content = textSize + QSize(8, 0);
  }
  return content + QSize(6, 6);
}

bool CJDButton::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && !m_bTooltipActive) {
    event->accept();
    return true;
  }
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut ||
      event->type() == QEvent::EnabledChange)
    update();
  return QAbstractButton::event(event);
}

void CJDButton::enterEvent(QEnterEvent* event) {
  m_bMouseOver = true;
  update();
  QAbstractButton::enterEvent(event);
}

void CJDButton::leaveEvent(QEvent* event) {
  m_bMouseOver = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void CJDButton::mouseMoveEvent(QMouseEvent* event) {
  // While a button is held the mouse belongs to this button and no leave
  // comes: follow the pointer here.
  const bool over = rect().contains(event->position().toPoint());
  if (over != m_bMouseOver) {
    m_bMouseOver = over;
    update();
  }
  QAbstractButton::mouseMoveEvent(event);
}

void CJDButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  const QPalette& pal = palette();
  if (m_crBack.isValid()) p.fillRect(r, m_crBack);

  if (m_bFlat) {
    const int state = State();
    if (state == 1)
      Draw3dRect(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Light));
    else if (state == 2)
      Draw3dRect(p, r, pal.color(QPalette::Light), pal.color(QPalette::Dark));
  } else {
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isDown() || (m_bToggleMode && isChecked())) option.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p, this);
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = r.adjusted(3, 3, -3, -3);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
  }

  QRect content = r.adjusted(2, 2, -2, -2);
  const bool enabled = isEnabled();
  if (isDown() && enabled) content.translate(1, 1);

  const int imageIndex = CurrentImage();
  const QSize image = ImageSize();
  QPoint imageAt = content.topLeft();
  if (m_nLayout == kLayoutImageTop && !m_images.empty())
    imageAt.setX(content.left() + (content.width() - image.width()) / 2);
  if (imageIndex >= 0) p.drawPixmap(imageAt, m_images[imageIndex]);

  const QString label = text();
  if (label.isEmpty()) return;
  QRect textRect = content;
  int align = Qt::AlignCenter;
  if (!m_images.empty()) {
    switch (m_nLayout) {
      case kLayoutImageLeft:
        textRect.setLeft(content.left() + image.width() + 2);
        align = Qt::AlignLeft | Qt::AlignVCenter;
        break;
      case kLayoutImageColumn:
        textRect.setLeft(content.left() + image.width() + 4);
        align = Qt::AlignLeft | Qt::AlignVCenter;
        break;
      case kLayoutTextBottom:
        align = Qt::AlignHCenter | Qt::AlignBottom;
        break;
      case kLayoutImageTop:
        textRect.setTop(content.top() + image.height());
        align = Qt::AlignHCenter | Qt::AlignTop;
        break;
    }
  }
  const int flags = align | Qt::TextSingleLine | Qt::TextShowMnemonic;
  if (enabled) {
    p.setPen(pal.color(QPalette::ButtonText));
    p.drawText(textRect, flags, label);
  } else {
    p.setPen(pal.color(QPalette::Light));
    p.drawText(textRect.translated(1, 1), flags, label);
    p.setPen(pal.color(QPalette::Dark));
    p.drawText(textRect, flags, label);
  }
}
