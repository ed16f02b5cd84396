#include "shell/SpeechViewWnd.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCursor>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "speechview/PlayCursor.h"
#include "speechview/SpeechPicture.h"
#include "speechview/SpeechRecording.h"

namespace {

constexpr int kFrameMs = 33;
constexpr int kIdleMs = 250;
constexpr double kWheelZoom = 0.8;  // per notch towards the user: closer
constexpr double kKeyZoom = 0.5;
constexpr int kClickSlop = 4;  // pixels a click may move and stay a click
constexpr QRgb kCursorColour = 0xffe0201b;

bool IsZoomKey(const QKeyEvent* e, double* factor) {
  if (!(e->modifiers() & Qt::ControlModifier)) return false;
  switch (e->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      *factor = kKeyZoom;
      return true;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      *factor = 1 / kKeyZoom;
      return true;
    default:
      return false;
  }
}

bool IsLogKey(const QKeyEvent* e) {
  return e->key() == Qt::Key_L && (e->modifiers() & Qt::ControlModifier) &&
         !(e->modifiers() & Qt::AltModifier);
}

// ---- Accessibility: the window is a list, each word box an item of it.

class CWordBoxAccessible : public QAccessibleInterface {
 public:
  CWordBoxAccessible(CSpeechViewWnd* view, int index) : m_view(view), m_index(index) {}
  bool isValid() const override { return m_view != nullptr && m_index < m_view->BoxCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    return m_view != nullptr ? m_view->window()->windowHandle() : nullptr;
  }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override {
    return m_view != nullptr ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    WordBox box;
    QString label;
    if (m_view == nullptr || !m_view->BoxAt(m_index, &box, &label)) return QString();
    if (t == QAccessible::Name) return label;
    if (t == QAccessible::Description) return m_view->BoxTimes(box);
    return QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    WordBox box;
    if (m_view == nullptr || !m_view->BoxAt(m_index, &box, nullptr)) return QRect();
    const QRect tier = LayoutSpeechPicture(m_view->size()).tier;
    const int x0 = static_cast<int>(std::floor(m_view->XOfSample(double(box.startSample))));
    const int x1 = static_cast<int>(std::ceil(m_view->XOfSample(double(box.endSample))));
    const QRect local(x0, tier.top(), std::max(x1 - x0, 1), tier.height());
    return QRect(m_view->mapToGlobal(local.topLeft()), local.size());
  }
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.selectable = true;
    s.focusable = true;
    if (m_view != nullptr && m_view->CurrentBox() == m_index) {
      s.selected = true;
      s.focused = m_view->hasFocus();
    }
    const QRect r = rect();
    s.offscreen = m_view == nullptr ||
                  !QRect(m_view->mapToGlobal(QPoint(0, 0)), m_view->size()).intersects(r);
    return s;
  }
  int Index() const { return m_index; }

 private:
  QPointer<CSpeechViewWnd> m_view;
  int m_index;
};

class CSpeechViewAccessible : public QAccessibleWidget {
 public:
  explicit CSpeechViewAccessible(CSpeechViewWnd* w) : QAccessibleWidget(w, QAccessible::List) {}
  ~CSpeechViewAccessible() override { Forget(); }

  CSpeechViewWnd* View() const { return static_cast<CSpeechViewWnd*>(widget()); }
  int childCount() const override { return View()->BoxCount(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    // A new synthesis has other boxes: the items made for the old one go.
    if (m_cachedCount > childCount()) const_cast<CSpeechViewAccessible*>(this)->Forget();
    m_cachedCount = std::max(m_cachedCount, childCount());
    auto it = m_children.constFind(index);
    if (it != m_children.constEnd()) return QAccessible::accessibleInterface(*it);
    auto* item = new CWordBoxAccessible(View(), index);
    m_children.insert(index, QAccessible::registerAccessibleInterface(item));
    return item;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto* item = dynamic_cast<const CWordBoxAccessible*>(child);
    return item != nullptr ? item->Index() : -1;
  }
  QAccessibleInterface* focusChild() const override {
    const int current = View()->CurrentBox();
    return current >= 0 && View()->hasFocus() ? child(current) : nullptr;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint local = View()->mapFromGlobal(QPoint(x, y));
    if (!LayoutSpeechPicture(View()->size()).tier.contains(local)) return nullptr;
    const double sample = View()->SampleAtX(local.x());
    for (int i = std::max(0, View()->CurrentBox() - 1), n = childCount(); i < n; ++i) {
      WordBox box;
      if (View()->BoxAt(i, &box, nullptr) && double(box.startSample) <= sample &&
          sample < double(box.endSample))
        return child(i);
    }
    return nullptr;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return AfxString(IDS_SPEECHVIEW_TITLE);
    if (t == QAccessible::Value && View()->RangeFrom() < View()->RangeTo()) {
      WordBox span;
      span.startSample = View()->RangeFrom();
      span.endSample = View()->RangeTo();
      return AfxString(IDS_SPEECHVIEW_RANGE).arg(View()->BoxTimes(span));
    }
    return QAccessibleWidget::text(t);
  }

 private:
  void Forget() {
    for (QAccessible::Id id : std::as_const(m_children)) QAccessible::deleteAccessibleInterface(id);
    m_children.clear();
    m_cachedCount = 0;
  }
  mutable QHash<int, QAccessible::Id> m_children;
  mutable int m_cachedCount = 0;
};

QAccessibleInterface* SpeechViewAccessibleFactory(const QString& key, QObject* object) {
  if (key == QLatin1String("CSpeechViewWnd"))
    if (auto* w = qobject_cast<CSpeechViewWnd*>(object)) return new CSpeechViewAccessible(w);
  return nullptr;
}

}  // namespace

CSpeechViewWnd::CSpeechViewWnd(CSpeechRecording* recording, CSpeechAnalyzer* analyzer,
                               CPlayCursor* cursor, ISpeechViewHost* host, QWidget* parent)
    : QWidget(parent),
      m_pRecording(recording),
      m_pAnalyzer(analyzer),
      m_pCursor(cursor),
      m_pHost(host) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(SpeechViewAccessibleFactory);
    return true;
  }();
  (void)factoryInstalled;
  setObjectName(QStringLiteral("SpeechViewWnd"));
  setAccessibleName(AfxString(IDS_SPEECHVIEW_TITLE));
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_frameTimer.setInterval(kFrameMs);
  m_idleTimer.setInterval(kIdleMs);
  connect(&m_frameTimer, &QTimer::timeout, this, &CSpeechViewWnd::Tick);
  connect(&m_idleTimer, &QTimer::timeout, this, &CSpeechViewWnd::Tick);
  m_view.Reset(0, std::max(width(), 1));
}

CSpeechViewWnd::~CSpeechViewWnd() {
  m_pAnalyzer->CancelPictures();
}

void CSpeechViewWnd::Measure(int64_t startNs) {
  if (m_meter) m_meter(CPlayCursor::NowNs() - startNs);
}

void CSpeechViewWnd::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  m_pAnalyzer->SetSpectrogramWanted(true);
  m_bAsked = false;
  m_idleTimer.start();
  Tick();
}

void CSpeechViewWnd::hideEvent(QHideEvent* e) {
  QWidget::hideEvent(e);
  m_pAnalyzer->SetSpectrogramWanted(false);
  m_pAnalyzer->CancelPictures();
  m_frameTimer.stop();
  m_idleTimer.stop();
}

void CSpeechViewWnd::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  m_view.SetWidth(width());
  AskForPicture();
}

void CSpeechViewWnd::SyncWithRecording() {
  // Every frame: without the recording's lock, which the analysis thread
  // may hold while it copies a picture's data.
  const CSpeechRecording::Summary now = m_pRecording->Peek();
  const uint64_t generation = now.generation, samples = now.samples;
  const uint32_t rate = now.rate;
  const bool valid = rate != 0, finished = now.finished;
  if (generation != m_nGeneration || (valid && !m_bValid)) {
    // A new synthesis (or its format only now known): its start, the
    // default zoom, nothing selected.
    m_nGeneration = generation;
    m_view.Reset(rate, width());
    m_nCurrentBox = -1;
    m_nRangeFrom = m_nRangeTo = 0;
    m_bFollow = true;
    m_bFinished = false;
    m_picture = SpeechPictureResult();
    m_bAsked = false;
  }
  m_bValid = valid;
  m_nSamples = samples;
  m_view.SetSamples(samples, finished);
  if (finished && !m_bFinished) {
    m_bFinished = true;
    // A short synthesis fills the width once it is complete.
    if (!m_view.MovedByUser() && samples < rate * CSpeechViewport::kDefaultSeconds) m_view.Fit();
  }
}

void CSpeechViewWnd::AskForPicture() {
  if (!m_bValid || !isVisible()) return;
  if (m_bAsked && m_asked == m_view.Range() && m_askedSize == size()) return;
  m_asked = m_view.Range();
  m_askedSize = size();
  m_bAsked = true;
  m_pAnalyzer->RequestPicture(m_asked, m_askedSize, AfxString(IDS_SPEECHVIEW_SECONDS));
  if (!m_frameTimer.isActive()) m_frameTimer.start();
}

bool CSpeechViewWnd::IsPictureCurrent() const {
  return m_bValid && !m_picture.image.isNull() && m_picture.range == m_view.Range() &&
         m_picture.image.size() == size() && m_pAnalyzer->IsIdle();
}

void CSpeechViewWnd::Tick() {
  const int64_t start = CPlayCursor::NowNs();
  SyncWithRecording();
  const bool running = m_pHost->IsSynthesisRunning();
  const bool cursorOn = m_pCursor->IsActive();
  if (cursorOn) {
    const int64_t now = CPlayCursor::NowNs();
    m_pCursor->SetPaused(m_pHost->IsPaused(), now);
    const double at = m_pCursor->Position(now);
    if (m_bFollow && at >= 0) m_view.Follow(at);
  }
  AskForPicture();
  const SpeechViewRange shown = m_view.Range();
  bool changed = m_pAnalyzer->TakePicture(&m_picture) || shown != m_paintedRange;
  // The cursor alone moved: only the strips it leaves and enters.
  const double cx = cursorOn ? CursorX() : -1;
  if (!changed && static_cast<int>(cx) != static_cast<int>(m_lastCursorX)) {
    for (const double x : {m_lastCursorX, cx})
      if (x >= -2) update(QRect(static_cast<int>(x) - 2, 0, 5, height()));
  }
  // Something moves: frames; otherwise a slow look for a new synthesis.
  const bool busy = running || cursorOn || !m_pAnalyzer->IsIdle();
  if (busy && !m_frameTimer.isActive()) {
    m_frameTimer.start();
  } else if (!busy && m_frameTimer.isActive()) {
    m_frameTimer.stop();
    changed = true;  // the cursor goes
  }
  if (changed) update();
  m_lastCursorX = cx;
  Measure(start);
}

double CSpeechViewWnd::CursorX() const {
  const double at = m_pCursor->Position(CPlayCursor::NowNs());
  return at < 0 ? -1 : m_view.Range().XOf(at);
}

void CSpeechViewWnd::paintEvent(QPaintEvent*) {
  const int64_t start = CPlayCursor::NowNs();
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  if (!m_bValid) {
    p.setPen(palette().color(QPalette::PlaceholderText));
    const bool none = m_nSamples == 0 && m_nGeneration == 0;
    CSpeechRecording::Reader r(*m_pRecording);
    const bool unshowable = r.Generation() != 0 && !r.IsValid() && r.FormatCode() != 0;
    p.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
               AfxString(unshowable && !none ? IDS_SPEECHVIEW_NO_FORMAT : IDS_SPEECHVIEW_EMPTY));
    if (hasFocus()) {
      p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
      p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    Measure(start);
    return;
  }
  const SpeechViewRange& now = m_view.Range();
  m_paintedRange = now;
  if (!m_picture.image.isNull()) {
    // The picture of the stretch it was drawn for, where that stretch lies
    // now: while a new picture is drawn the old one moves and scales along.
    const SpeechViewRange& drawn = m_picture.range;
    const double x0 = now.XOf(drawn.first);
    const double w = m_picture.image.width() * drawn.perPixel / now.perPixel;
    if (drawn.perPixel == now.perPixel && m_picture.image.height() == height())
      p.drawImage(QPoint(static_cast<int>(std::lround(x0)), 0), m_picture.image);
    else
      p.drawImage(QRectF(x0, 0, w, height()), m_picture.image);
  }
  const SpeechPictureLayout layout = LayoutSpeechPicture(size());
  if (m_nRangeFrom != m_nRangeTo) {
    const double a = now.XOf(double(std::min(m_nRangeFrom, m_nRangeTo)));
    const double b = now.XOf(double(std::max(m_nRangeFrom, m_nRangeTo)));
    const QRectF band(a, layout.wave.top(), std::max(b - a, 1.0),
                      layout.wave.height() + layout.spectrum.height());
    p.fillRect(band, QColor(51, 153, 255, 70));
    p.setPen(QColor(51, 153, 255));
    p.drawLine(QPointF(a, band.top()), QPointF(a, band.bottom()));
    p.drawLine(QPointF(a + band.width(), band.top()), QPointF(a + band.width(), band.bottom()));
  }
  WordBox box;
  if (m_nCurrentBox >= 0 && BoxAt(m_nCurrentBox, &box, nullptr)) {
    const double a = now.XOf(double(box.startSample)), b = now.XOf(double(box.endSample));
    const QRectF r(a, layout.tier.top() + 1, std::max(b - a, 2.0), layout.tier.height() - 3);
    p.fillRect(r, QColor(51, 153, 255, 60));
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawRect(r);
  }
  const double cx = CursorX();
  if (cx >= 0 && cx <= width()) {
    p.setPen(QPen(QColor::fromRgb(kCursorColour), 1));
    p.drawLine(QPointF(cx, 0), QPointF(cx, layout.tier.bottom()));
  }
  if (hasFocus() && m_nCurrentBox < 0) {
    p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  Measure(start);
}

void CSpeechViewWnd::ZoomAbout(double x, double factor) {
  m_view.ZoomAbout(x, factor);
  m_bFollow = false;
  AskForPicture();
  update();
}

void CSpeechViewWnd::wheelEvent(QWheelEvent* e) {
  const QPoint delta = e->angleDelta();
  if (!m_bValid || delta.isNull()) return;
  const bool sideways = delta.x() != 0 || (e->modifiers() & Qt::ShiftModifier);
  const double notches = (delta.x() != 0 ? delta.x() : delta.y()) / 120.0;
  if (sideways) {
    m_view.ScrollBy(-notches * width() / 10.0);
    m_bFollow = false;
    AskForPicture();
    update();
  } else {
    ZoomAbout(e->position().x(), std::pow(kWheelZoom, notches));
  }
  e->accept();
}

void CSpeechViewWnd::mousePressEvent(QMouseEvent* e) {
  setFocus(Qt::MouseFocusReason);
  if (!m_bValid) return;
  const SpeechPictureLayout layout = LayoutSpeechPicture(size());
  m_dragStart = e->position();
  m_dragFirst = m_view.Range().first;
  if (e->button() == Qt::MiddleButton) {
    m_drag = Drag::kScroll;
  } else if (e->button() == Qt::LeftButton) {
    const double sample = std::clamp(SampleAtX(e->position().x()), 0.0, double(m_nSamples));
    if (layout.wave.contains(e->position().toPoint())) {
      m_drag = Drag::kSelect;
      m_nRangeFrom = m_nRangeTo = static_cast<uint64_t>(sample);
      update();
    } else if (layout.tier.contains(e->position().toPoint())) {
      m_drag = Drag::kTierClick;
      CSpeechRecording::Reader r(*m_pRecording);
      m_dragBox = WordBoxAt(r.Boxes(), SampleAtX(e->position().x()));
    } else {
      m_drag = Drag::kScroll;
    }
  }
}

void CSpeechViewWnd::mouseMoveEvent(QMouseEvent* e) {
  const double dx = e->position().x() - m_dragStart.x();
  if (m_drag == Drag::kTierClick && std::abs(dx) > kClickSlop) m_drag = Drag::kScroll;
  if (m_drag == Drag::kSelect) {
    const double sample = std::clamp(SampleAtX(e->position().x()), 0.0, double(m_nSamples));
    m_nRangeTo = static_cast<uint64_t>(sample);
    update();
  } else if (m_drag == Drag::kScroll) {
    const double target = m_dragFirst - dx * m_view.Range().perPixel;
    m_view.ScrollBy((target - m_view.Range().first) / m_view.Range().perPixel);
    m_bFollow = false;
    AskForPicture();
    update();
  }
}

void CSpeechViewWnd::mouseReleaseEvent(QMouseEvent* e) {
  const Drag drag = m_drag;
  m_drag = Drag::kNone;
  if (drag == Drag::kSelect) {
    if (m_nRangeTo < m_nRangeFrom) std::swap(m_nRangeFrom, m_nRangeTo);
    // A click on the waveform is no range.
    if (std::abs(e->position().x() - m_dragStart.x()) < kClickSlop) m_nRangeFrom = m_nRangeTo = 0;
    QAccessibleValueChangeEvent ev(this, QString());
    QAccessible::updateAccessibility(&ev);
    update();
  } else if (drag == Drag::kTierClick && m_dragBox >= 0) {
    SelectBox(m_dragBox);
    PlayCurrentBox();
  }
}

bool CSpeechViewWnd::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(e);
    double factor = 0;
    // Ctrl+L on a selected word box is the window's, not the frame's.
    if ((IsLogKey(key) && m_nCurrentBox >= 0) || IsZoomKey(key, &factor)) {
      e->accept();
      return true;
    }
  }
  return QWidget::event(e);
}

void CSpeechViewWnd::keyPressEvent(QKeyEvent* e) {
  double factor = 0;
  if (IsZoomKey(e, &factor)) {
    const QPoint at = mapFromGlobal(QCursor::pos());
    ZoomAbout(rect().contains(at) ? at.x() : width() / 2.0, factor);
    return;
  }
  if (IsLogKey(e)) {
    WordBox box;
    QString label;
    if (BoxAt(m_nCurrentBox, &box, &label)) {
      m_pHost->SelectWord(box, CSpeechRecording::Reader(*m_pRecording).SpeechStart(), label);
      m_pHost->LogSelectedWord();
    }
    return;
  }
  if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
    QWidget::keyPressEvent(e);
    return;
  }
  switch (e->key()) {
    case Qt::Key_Left:
      MoveBox(-1);
      return;
    case Qt::Key_Right:
      MoveBox(1);
      return;
    case Qt::Key_Home:
      ToBox(0);
      return;
    case Qt::Key_End:
      ToBox(BoxCount() - 1);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      PlayCurrentBox();
      return;
    case Qt::Key_Space:
      PlaySelection();
      return;
    default:
      QWidget::keyPressEvent(e);
  }
}

int CSpeechViewWnd::BoxCount() const {
  CSpeechRecording::Reader r(*m_pRecording);
  return static_cast<int>(r.Boxes().size());
}

bool CSpeechViewWnd::BoxAt(int index, WordBox* box, QString* label) const {
  CSpeechRecording::Reader r(*m_pRecording);
  if (index < 0 || static_cast<size_t>(index) >= r.Boxes().size()) return false;
  *box = r.Boxes()[static_cast<size_t>(index)];
  if (label != nullptr) *label = r.Label(*box);
  return true;
}

QString CSpeechViewWnd::BoxTimes(const WordBox& box) const {
  const uint32_t rate = std::max<uint32_t>(m_view.Rate(), 1);
  auto seconds = [&](uint64_t s) { return QString::number(double(s) / rate, 'f', 3); };
  return AfxString(IDS_SPEECHVIEW_SPAN).arg(seconds(box.startSample), seconds(box.endSample));
}

void CSpeechViewWnd::MoveBox(int delta) {
  const int count = BoxCount();
  if (count == 0) return;
  int index = m_nCurrentBox;
  if (index < 0) {
    CSpeechRecording::Reader r(*m_pRecording);
    index = WordBoxFrom(r.Boxes(), m_view.Range().first);
    if (index < 0) index = count - 1;
  } else {
    index = std::clamp(index + delta, 0, count - 1);
  }
  ToBox(index);
}

void CSpeechViewWnd::ToBox(int index) {
  if (index < 0 || index >= BoxCount()) return;
  SelectBox(index);
}

void CSpeechViewWnd::SelectBox(int index) {
  WordBox box;
  QString label;
  if (!BoxAt(index, &box, &label)) return;
  m_nCurrentBox = index;
  m_view.Reveal(double(box.startSample), double(box.endSample));
  m_bFollow = false;
  m_pHost->SelectWord(box, CSpeechRecording::Reader(*m_pRecording).SpeechStart(), label);
  NotifyFocus();
  AskForPicture();
  update();
}

void CSpeechViewWnd::NotifyFocus() {
  QAccessibleInterface* view = QAccessible::queryAccessibleInterface(this);
  if (view == nullptr || m_nCurrentBox < 0) return;
  if (QAccessibleInterface* item = view->child(m_nCurrentBox)) {
    QAccessibleEvent selection(item, QAccessible::Selection);
    QAccessible::updateAccessibility(&selection);
    if (hasFocus()) {
      QAccessibleEvent focus(item, QAccessible::Focus);
      QAccessible::updateAccessibility(&focus);
    }
  }
}

void CSpeechViewWnd::SetRange(uint64_t from, uint64_t to) {
  m_nRangeFrom = std::min(from, to);
  m_nRangeTo = std::max(from, to);
  update();
}

bool CSpeechViewWnd::PlayCurrentBox() {
  WordBox box;
  if (!BoxAt(m_nCurrentBox, &box, nullptr)) return false;
  m_bFollow = true;
  return m_pHost->PlayStretch(box.startSample, box.endSample);
}

bool CSpeechViewWnd::PlaySelection() {
  if (m_nRangeFrom < m_nRangeTo) {
    m_bFollow = true;
    return m_pHost->PlayStretch(m_nRangeFrom, m_nRangeTo);
  }
  return PlayCurrentBox();
}
