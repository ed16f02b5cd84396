#include "settings/BcxComboBox.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QStyleOptionComboBox>

#include "framework/ResourceModule.h"
#include "settings/ControlPanelLogic.h"

CBcxComboBox::CBcxComboBox(int controlId, QWidget* parent)
    : QComboBox(parent), m_controlId(controlId) {}

QStringList CBcxComboBox::ItemsFromText(const QString& text) {
  return panel::SplitItemLines(text);
}

bool CBcxComboBox::LoadItems(int stringId) {
  const int id = stringId == -1 ? m_controlId : stringId;
  if (id < 0) return false;
  QString text;
  if (!AfxGetResourceHandle()->LoadString(static_cast<uint32_t>(id), &text) || text.isEmpty())
    return false;
  clear();
  addItems(ItemsFromText(text));
  return true;
}

bool CBcxComboBox::event(QEvent* event) {
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
    default:
      break;
  }
  return QComboBox::event(event);
}

void CBcxComboBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  const QRect r = rect();
  const bool enabled = isEnabled();
  const bool hot = enabled && m_bMouseOver;

  p.fillRect(r, pal.color(QPalette::Window));
  // Border: dark when idle, the highlight colour while hot.
  p.setPen(hot ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  const QRect inside = r.adjusted(2, 2, -2, -2);
  p.fillRect(inside, pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Base));

  // The drop-down button at the right end.
  const int buttonWidth = qMin(inside.width(), qMax(13, inside.height()));
  const QRect button(inside.right() - buttonWidth + 1, inside.top(), buttonWidth, inside.height());
  p.fillRect(button,
             hot ? pal.color(QPalette::Highlight).lighter(170) : pal.color(QPalette::Button));
  p.setPen(hot ? pal.color(QPalette::Highlight) : pal.color(QPalette::Midlight));
  p.drawLine(button.topLeft() - QPoint(1, 0), button.bottomLeft() - QPoint(1, 0));
  const QPointF c = QRectF(button).center();
  const QPointF arrow[3] = {c + QPointF(-3.5, -1.5), c + QPointF(3.5, -1.5), c + QPointF(0, 2)};
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  p.drawPolygon(arrow, 3);
  p.setRenderHint(QPainter::Antialiasing, false);

  if (isEditable()) return;  // the line edit shows the text
  QRect textRect = inside.adjusted(1, 0, -buttonWidth - 1, 0);
  QColor textColour = pal.color(QPalette::Text);
  if (!enabled) {
    textColour = pal.color(QPalette::Disabled, QPalette::Text);
  } else if (hasFocus() && !view()->isVisible()) {
    // The keyboard focus shows as the selected look of the field.
    p.fillRect(textRect, pal.color(QPalette::Highlight));
    textColour = pal.color(QPalette::HighlightedText);
  }
  p.setFont(parentWidget() != nullptr ? parentWidget()->font() : font());
  p.setPen(textColour);
  const QString text =
      fontMetrics().elidedText(currentText(), Qt::ElideRight, textRect.width() - 2);
  p.drawText(textRect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             text);
}
