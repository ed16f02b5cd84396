#include "shell/MainFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "document/TTSDemoView.h"
#include "engine/TtsAdapter.h"
#include "framework/DocView.h"
#include "framework/ResourceModule.h"
#include "platform/KeyboardLocks.h"
#include "platform/Settings.h"
#include "resources/ResourceIds.h"
#include "settings/ControlPanel.h"
#include "settings/ControlPanelBar.h"
#include "shell/FormatBar.h"
#include "shell/LogoWnd.h"
#include "shell/OutputBar.h"
#include "shell/SpeechViewBar.h"
#include "shell/TTSDemoApp.h"

IMPLEMENT_DYNAMIC(CMainFrame, CFrameWnd)

namespace {

const QString kLayoutSection = QStringLiteral("BcxSettings\\MainFrame");
const QString kFormatBarSection = QStringLiteral("BcxSettings\\FormatBar");
// The layout's own version: a layout saved by a program with other bars is
// not applied (2: the speech view bar came).
constexpr int kLayoutVersion = 2;
constexpr int kLogoMargin = 2;

}  // namespace

QString ComposeFrameTitle(bool objectForm, const QString& modulePath, const TTSEngineInfo* record,
                          const QString& suffix, const QString* docTitle, bool modified) {
  QString title = QStringLiteral("Tonarel");
  if (objectForm) {
    if (modulePath.contains(QLatin1String("kovlib"))) {
      title = QStringLiteral("Korvane");
    } else if (modulePath.contains(QLatin1String("olmi")) && record != nullptr) {
      // The first three bytes of the engine's version text, one character each.
      title += QLatin1Char(' ');
      for (int i = 0; i < 3; ++i) title += QChar(static_cast<uchar>(record->version[i]));
      title += QLatin1Char(' ');
    }
  }
  title += suffix;
  if (docTitle != nullptr) {
    title += QChar(0xFF0D) + *docTitle;
    if (modified) title += QLatin1Char('*');
  }
  return title;
}

CMainFrame::CMainFrame() {
  setObjectName(QStringLiteral("MainFrame"));
  setAcceptDrops(true);
  RegisterCommands();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::RegisterCommands() {
  MapCommand(ID_VIEW_CONTROLPANEL, [this] { ToggleBar(m_wndControlPanelBar); });
  MapUpdate(ID_VIEW_CONTROLPANEL, [this](CCmdUI* ui) {
    ui->SetCheck(m_wndControlPanelBar != nullptr && m_wndControlPanelBar->isVisible());
  });
  MapCommand(ID_VIEW_OUTPUT, [this] { ToggleBar(m_wndOutputBar); });
  MapUpdate(ID_VIEW_OUTPUT, [this](CCmdUI* ui) {
    ui->SetCheck(m_wndOutputBar != nullptr && m_wndOutputBar->isVisible());
  });
  MapCommand(ID_VIEW_SPEECHVIEW, [this] { ToggleBar(m_wndSpeechViewBar); });
  MapUpdate(ID_VIEW_SPEECHVIEW, [this](CCmdUI* ui) {
    ui->SetCheck(m_wndSpeechViewBar != nullptr && m_wndSpeechViewBar->isVisible());
  });
  MapCommand(ID_VIEW_FORMATBAR, [this] { ToggleBar(m_wndFormatBar); });
  MapUpdate(ID_VIEW_FORMATBAR, [this](CCmdUI* ui) {
    ui->SetCheck(m_wndFormatBar != nullptr && m_wndFormatBar->isVisible());
  });
  MapCommand(ID_VIEW_TOOLBAR, [this] { ToggleBar(m_wndToolBar); });
  MapUpdate(ID_VIEW_TOOLBAR, [this](CCmdUI* ui) {
    ui->SetCheck(m_wndToolBar != nullptr && m_wndToolBar->isVisible());
  });
  MapCommand(ID_VIEW_STATUS_BAR, [this] { ToggleBar(statusBar()); });
  MapUpdate(ID_VIEW_STATUS_BAR, [this](CCmdUI* ui) { ui->SetCheck(statusBar()->isVisible()); });
  MapCommand(ID_VIEW_FULLSCREEN, [this] { OnFullScreen(); });
  MapUpdate(ID_VIEW_FULLSCREEN, [this](CCmdUI* ui) {
    ui->Enable(true);
    ui->SetCheck(m_bFullScreen != 0);
  });
}

bool CMainFrame::OnCreate() {
  setWindowIcon([] {
    QIcon icon;
    for (uint32_t id : {101u, 102u}) {
      const QImage image = AfxGetResourceHandle()->Icon(id);
      if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
  }());

  // Menu bar, accelerators.
  LoadMenuBar(IDR_MAINFRAME);
  menuBar()->setWindowTitle(AfxString(IDS_MENUBAR_TITLE));
  menuBar()->setAccessibleName(AfxString(IDS_MENUBAR_TITLE));
  LoadAccelTable(IDR_MAINFRAME);

  // The main toolbar, then the format bar beside it in the same row.
  SetToolbarImages(IDR_MAINFRAME, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_HOT, IDB_TOOLBAR_DISABLED);
  m_wndToolBar = new QToolBar(AfxString(IDS_TOOLBAR_TITLE), this);
  m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
  FillToolBar(m_wndToolBar, IDR_MAINFRAME);
  addToolBar(Qt::TopToolBarArea, m_wndToolBar);

  SetToolbarImages(IDR_FORMATBAR, IDB_FORMATBAR_NORMAL, IDB_FORMATBAR_HOT, IDB_FORMATBAR_DISABLED);
  m_wndFormatBar = new CFormatBar(this);
  m_wndFormatBar->Reset();
  if (CView* view = GetActiveView()) m_wndFormatBar->ShowFont(view->GetWidget()->font());
  addToolBar(Qt::TopToolBarArea, m_wndFormatBar);

  CreateStatusBar();

  // The docking bars: the control panel on the left, the speech view and
  // below it the output at the bottom.
  m_wndControlPanelBar = new CControlPanelBar(this);
  addDockWidget(Qt::LeftDockWidgetArea, m_wndControlPanelBar);
  m_wndSpeechViewBar = new CSpeechViewBar(this);
  addDockWidget(Qt::BottomDockWidgetArea, m_wndSpeechViewBar, Qt::Vertical);
  m_wndOutputBar = new COutputBar(this);
  addDockWidget(Qt::BottomDockWidgetArea, m_wndOutputBar, Qt::Vertical);
  resizeDocks({m_wndControlPanelBar}, {250}, Qt::Horizontal);
  resizeDocks({m_wndSpeechViewBar, m_wndOutputBar}, {220, 150}, Qt::Vertical);

  m_wndLogo = new CLogoWnd(this);
  PlaceLogo();

  LoadBarState();
  m_wndControlPanelBar->Panel()->LoadSettings(QStringLiteral("TTSSetting"));
  return true;
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setSizeGripEnabled(true);
  bar->addWidget(MessagePane(), 1);

  auto* encoding = new QWidget(bar);
  encoding->setObjectName(QStringLiteral("EncodingPane"));
  auto* layout = new QHBoxLayout(encoding);
  layout->setContentsMargins(2, 0, 2, 0);
  layout->setSpacing(3);
  m_pEncodingIcon = new QLabel(encoding);
  const QImage icon = AfxGetResourceHandle()->Icon(IDI_ENCODING);
  if (!icon.isNull()) m_pEncodingIcon->setPixmap(QPixmap::fromImage(icon));
  m_pEncodingIcon->setAccessibleName(AfxString(IDS_ENCODING_PANE));
  m_pEncodingText = new QLabel(AfxString(IDS_ENCODING_PANE), encoding);
  m_pEncodingText->setObjectName(QStringLiteral("EncodingPaneText"));
  layout->addWidget(m_pEncodingIcon);
  layout->addWidget(m_pEncodingText);
  bar->addPermanentWidget(encoding);

  m_pCaps = new QLabel(AfxString(ID_INDICATOR_CAPS), bar);
  m_pCaps->setObjectName(QStringLiteral("CapsPane"));
  m_pNum = new QLabel(AfxString(ID_INDICATOR_NUM), bar);
  m_pNum->setObjectName(QStringLiteral("NumPane"));
  bar->addPermanentWidget(m_pCaps);
  bar->addPermanentWidget(m_pNum);
  m_pIndicatorTimer = new QTimer(this);
  m_pIndicatorTimer->setInterval(250);
  connect(m_pIndicatorTimer, &QTimer::timeout, this, &CMainFrame::UpdateIndicators);
  m_pIndicatorTimer->start();
  UpdateIndicators();
}

void CMainFrame::UpdateIndicators() {
  // A lock that is off shows its pane greyed, as a lamp that is out.
  const KeyboardLocks locks = QueryKeyboardLocks();
  m_pCaps->setEnabled(locks.capsLock);
  m_pNum->setEnabled(locks.numLock);
}

void CMainFrame::SetEncodingPaneText(const QString& text) {
  m_pEncodingText->setText(text);
}

QString CMainFrame::EncodingPaneText() const {
  return m_pEncodingText->text();
}

bool CMainFrame::OnCommand(uint32_t id, bool fromAccelerator) {
  // The clipboard keys belong to the format bar's combo box that has the
  // focus, not to the document.
  if (fromAccelerator && (id == ID_EDIT_COPY || id == ID_EDIT_CUT || id == ID_EDIT_PASTE) &&
      m_wndFormatBar != nullptr) {
    QWidget* focus = QApplication::focusWidget();
    for (QComboBox* combo :
         {static_cast<QComboBox*>(m_wndFormatBar->FontNameBox()), m_wndFormatBar->FontSizeBox()}) {
      if (combo == nullptr || focus == nullptr) continue;
      if (focus != combo && !combo->isAncestorOf(focus)) continue;
      if (QLineEdit* edit = combo->lineEdit()) {
        if (id == ID_EDIT_COPY) edit->copy();
        if (id == ID_EDIT_CUT) edit->cut();
        if (id == ID_EDIT_PASTE) edit->paste();
      }
      return true;
    }
  }
  return CFrameWnd::OnCommand(id, fromAccelerator);
}

void CMainFrame::OnUpdateFrameTitle(bool addToTitle) {
  const CTtsAdapter& adapter = TheAdapter();
  const bool objectForm = adapter.HasInstance() && adapter.IsObjectForm();
  CDocument* doc = addToTitle ? GetActiveDocument() : nullptr;
  const QString docTitle = doc != nullptr ? doc->GetTitle() : QString();
  setWindowTitle(ComposeFrameTitle(
      objectForm, adapter.ModulePath(), adapter.EngineRecord(), AfxString(IDS_TITLE_SUFFIX),
      doc != nullptr ? &docTitle : nullptr, doc != nullptr && doc->IsModified()));
}

void CMainFrame::ToggleBar(QWidget* bar) {
  if (bar == nullptr) return;
  bar->setVisible(!bar->isVisible());
}

void CMainFrame::OnFullScreen() {
  QWidget* output = m_wndOutputBar;
  if (m_bFullScreen == 0) {
    // What the user sees now (a bar's own state: the frame is hidden next).
    m_bWasZoomed = isMaximized();
    if (!m_bWasZoomed) m_rcNormal = geometry();
    m_bStatusBarWasVisible = !statusBar()->isHidden();
    m_bFormatBarWasVisible = !m_wndFormatBar->isHidden();
    m_bControlPanelWasVisible = !m_wndControlPanelBar->isHidden();
    m_bOutputWasVisible = !output->isHidden();
    m_bSpeechViewWasVisible = !m_wndSpeechViewBar->isHidden();
  }
  hide();
  if (m_bFullScreen == 0) {
    setWindowFlag(Qt::FramelessWindowHint, true);
    menuBar()->hide();
    statusBar()->hide();
    m_wndFormatBar->hide();
    m_wndControlPanelBar->hide();
    output->hide();
    m_wndSpeechViewBar->hide();
    showMaximized();
  } else {
    setWindowFlag(Qt::FramelessWindowHint, false);
    menuBar()->show();
    statusBar()->setVisible(m_bStatusBarWasVisible);
    m_wndFormatBar->setVisible(m_bFormatBarWasVisible);
    m_wndControlPanelBar->setVisible(m_bControlPanelWasVisible);
    output->setVisible(m_bOutputWasVisible);
    m_wndSpeechViewBar->setVisible(m_bSpeechViewWasVisible);
    if (m_bWasZoomed) {
      showMaximized();
    } else {
      showNormal();
      setGeometry(m_rcNormal);
    }
  }
  m_bFullScreen = !m_bFullScreen;
  PlaceLogo();
}

void CMainFrame::keyPressEvent(QKeyEvent* e) {
  if (m_bFullScreen && e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    OnFullScreen();
    e->accept();
    return;
  }
  CFrameWnd::keyPressEvent(e);
}

QMenu* CMainFrame::createPopupMenu() {
  const CMenuResource* menu = AfxGetResourceHandle()->Menu(IDR_POPUP_BARS);
  if (menu == nullptr || menu->items.empty() || menu->items.front().kind != CMenuResource::kPopup)
    return nullptr;
  UpdateCommandUI();
  return BuildMenu(menu->items.front(), this);
}

bool CMainFrame::OnClose() {
  CTTSDemoApp* app = TheApp();
  if (app != nullptr && !app->IsPipelineIdle()) {
    // Stop first; the close is asked again once the stop has been handled.
    CFrameWnd::OnCommand(ID_SYNTH_STOP, false);
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return false;
  }
  if (m_bFullScreen) OnFullScreen();
  return CFrameWnd::OnClose();
}

void CMainFrame::OnDestroy() {
  if (m_bFullScreen) OnFullScreen();
  SaveBarState();
  m_wndControlPanelBar->Panel()->SaveSettings(QStringLiteral("TTSSetting"));
}

void CMainFrame::SaveBarState() {
  CRegKey key;
  if (key.Create(CRegKey::Root(), kLayoutSection) != 0) return;
  key.SetString(QStringLiteral("State"), QString::fromLatin1(saveState(kLayoutVersion).toBase64()));
  key.SetString(QStringLiteral("Geometry"), QString::fromLatin1(saveGeometry().toBase64()));
  if (m_wndFormatBar != nullptr) m_wndFormatBar->SaveState(kFormatBarSection);
}

void CMainFrame::LoadBarState() {
  CRegKey key;
  QString state, geometry;
  bool restored = false;
  if (key.Open(CRegKey::Root(), kLayoutSection) == 0) {
    if (key.QueryString(QStringLiteral("Geometry"), &geometry) == 0)
      restored = restoreGeometry(QByteArray::fromBase64(geometry.toLatin1()));
    if (key.QueryString(QStringLiteral("State"), &state) == 0)
      restoreState(QByteArray::fromBase64(state.toLatin1()), kLayoutVersion);
  }
  if (!restored) {
    // A first start: a comfortable size in the middle of the screen.
    const QRect screen = QApplication::primaryScreen() != nullptr
                             ? QApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1280, 800);
    const QSize size(qMin(1100, screen.width() * 9 / 10), qMin(760, screen.height() * 9 / 10));
    setGeometry(QRect(screen.center() - QPoint(size.width() / 2, size.height() / 2), size));
  }
  if (m_wndFormatBar != nullptr) m_wndFormatBar->LoadState(kFormatBarSection);
}

void CMainFrame::resizeEvent(QResizeEvent* e) {
  CFrameWnd::resizeEvent(e);
  PlaceLogo();
}

void CMainFrame::PlaceLogo() {
  QWidget* logo = m_wndLogo;
  if (logo == nullptr) return;
  logo->move(width() - logo->width() - kLogoMargin, kLogoMargin);
  logo->raise();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
  if (!DroppedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e) {
  const QString file = DroppedFile(e->mimeData());
  if (file.isEmpty()) return;
  e->acceptProposedAction();
  OpenDroppedFile(file);
}
