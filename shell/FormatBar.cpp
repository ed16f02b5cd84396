#include "shell/FormatBar.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "document/CodePageList.h"
#include "framework/FrameWnd.h"
#include "framework/ResourceModule.h"
#include "platform/Settings.h"
#include "resources/ResourceIds.h"

CFormatBar::CFormatBar(CFrameWnd* frame)
    : QToolBar(AfxString(IDS_FORMATBAR_TITLE), frame), m_pFrame(frame) {
  setObjectName(QStringLiteral("FormatBar"));
  setAllowedAreas(Qt::TopToolBarArea);
  const QFontMetrics metrics(QApplication::font());
  m_nAveCharWidth = metrics.averageCharWidth();
  m_nCharHeight = metrics.height();
}

void CFormatBar::Reset() {
  clear();
  const CToolbarResource* bar = AfxGetResourceHandle()->Toolbar(IDR_FORMATBAR);
  if (bar == nullptr) return;
  setIconSize(QSize(bar->imageWidth, bar->imageHeight));
  for (uint32_t id : bar->buttons) {
    if (id == 0) {
      addSeparator();
    } else if (id == ID_FORMAT_FONTNAME) {
      m_pFontName = new QFontComboBox(this);
      m_pFontName->setObjectName(QStringLiteral("FontNameBox"));
      m_pFontName->setFixedWidth(32 * m_nAveCharWidth);
      m_pFontName->setToolTip(AfxCommandTip(id));
      m_pFontName->setStatusTip(AfxCommandPrompt(id));
      m_pFontName->setAccessibleName(AfxCommandTip(id));
      if (m_pFontName->lineEdit() != nullptr)
        m_pFontName->lineEdit()->setAccessibleName(AfxCommandTip(id));
      connect(m_pFontName, &QFontComboBox::currentFontChanged, this, [this] { RebuildSizes(); });
      addWidget(m_pFontName);
    } else if (id == ID_FORMAT_FONTSIZE) {
      m_pFontSize = new QComboBox(this);
      m_pFontSize->setObjectName(QStringLiteral("FontSizeBox"));
      m_pFontSize->setEditable(true);
      m_pFontSize->setInsertPolicy(QComboBox::NoInsert);
      m_pFontSize->setFixedWidth(7 * m_nAveCharWidth + 10);
      m_pFontSize->setToolTip(AfxCommandTip(id));
      m_pFontSize->setStatusTip(AfxCommandPrompt(id));
      m_pFontSize->setAccessibleName(AfxCommandTip(id));
      m_pFontSize->lineEdit()->setAccessibleName(AfxCommandTip(id));
      addWidget(m_pFontSize);
    } else if (id == ID_FORMAT_ENCODING) {
      m_pEncoding = new QToolButton(this);
      m_pEncoding->setObjectName(QStringLiteral("EncodingButton"));
      m_pEncoding->setText(AfxString(IDS_ENCODING_PANE));
      m_pEncoding->setToolTip(AfxCommandTip(id));
      m_pEncoding->setStatusTip(AfxCommandPrompt(id));
      m_pEncoding->setToolButtonStyle(Qt::ToolButtonTextOnly);
      m_pEncoding->setPopupMode(QToolButton::InstantPopup);
      auto* menu = new QMenu(m_pEncoding);
      const QStringList& pages = CodePageList();
      for (qsizetype i = 0; i < pages.size(); ++i) {
        const uint32_t command = ID_CODEPAGE_FIRST + static_cast<uint32_t>(i);
        if (command > ID_CODEPAGE_LAST) break;
        QAction* action = m_pFrame->CommandAction(command);
        action->setText(pages[i]);
        menu->addAction(action);
      }
      connect(menu, &QMenu::aboutToShow, m_pFrame, &CFrameWnd::UpdateCommandUI);
      m_pEncoding->setMenu(menu);
      addWidget(m_pEncoding);
    }
  }
  RebuildSizes();
}

void CFormatBar::RebuildSizes() {
  if (m_pFontName == nullptr || m_pFontSize == nullptr) return;
  const QString current = m_pFontSize->currentText();
  QList<int> sizes = QFontDatabase::pointSizes(m_pFontName->currentFont().family());
  if (sizes.isEmpty()) sizes = QFontDatabase::standardSizes();
  const QSignalBlocker block(m_pFontSize);
  m_pFontSize->clear();
  for (int size : sizes) m_pFontSize->addItem(QString::number(size));
  m_pFontSize->setEditText(current);
}

void CFormatBar::ShowFont(const QFont& font) {
  if (m_pFontName == nullptr || m_pFontSize == nullptr) return;
  m_pFontName->setCurrentFont(font);
  RebuildSizes();
  if (font.pointSize() > 0) m_pFontSize->setEditText(QString::number(font.pointSize()));
}

void CFormatBar::SaveState(const QString& section) const {
  CRegKey key;
  if (key.Create(CRegKey::Root(), section) != 0) return;
  if (m_pFontName != nullptr)
    key.SetString(QStringLiteral("FontName"), m_pFontName->currentFont().family());
  bool ok = false;
  const int size = m_pFontSize != nullptr ? m_pFontSize->currentText().toInt(&ok) : 0;
  key.SetDword(QStringLiteral("FontSize"), ok ? static_cast<uint32_t>(size) : 0);
  key.SetDword(QStringLiteral("CharSet"), m_nCharSet);
}

void CFormatBar::LoadState(const QString& section) {
  CRegKey key;
  if (key.Open(CRegKey::Root(), section) != 0) return;
  QString name;
  if (m_pFontName != nullptr && key.QueryString(QStringLiteral("FontName"), &name) == 0)
    m_pFontName->setCurrentFont(QFont(name));
  // The size list belongs to the loaded face: rebuild it, then take the size.
  RebuildSizes();
  uint32_t size = 0;
  if (m_pFontSize != nullptr && key.QueryDword(QStringLiteral("FontSize"), &size) == 0 && size > 0)
    m_pFontSize->setEditText(QString::number(size));
  uint32_t charset = 1;
  if (key.QueryDword(QStringLiteral("CharSet"), &charset) == 0) m_nCharSet = charset;
}
