#include "settings/ControlPanelBar.h"

#include <QEvent>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "settings/ControlPanel.h"

namespace {

// The bar's client area: the panel lies in it at (0, -scroll offset).
class CPanelHost : public QWidget {
 public:
  using QWidget::QWidget;
  QSize sizeHint() const override { return {250, 200}; }
};

}  // namespace

CControlPanelBar::CControlPanelBar(QWidget* parent)
    : QDockWidget(AfxString(IDS_CONTROLPANEL_TITLE), parent) {
  setObjectName(QStringLiteral("ControlPanelBar"));
  setAllowedAreas(Qt::LeftDockWidgetArea);
  auto* host = new CPanelHost(this);
  host->setObjectName(QStringLiteral("ControlPanelHost"));
  host->setAccessibleName(windowTitle());
  setWidget(host);
  m_pPanel = new CControlPanel(host);
  host->installEventFilter(this);
}

bool CControlPanelBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && watched == widget()) {
    const QSize size = widget()->size();
    m_pPanel->PlaceInBar(size.width(), size.height());
  }
  return QDockWidget::eventFilter(watched, event);
}
