#include "framework/ResourceModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QResource>
#include <QStringList>
#include <QThread>
#include <QTranslator>
#include <atomic>
#include <cstdarg>

// The built-in module, compiled from the build's chs/module.qrc.
static void InitProgramResources() {
  Q_INIT_RESOURCE(vudeze_chs);
}

namespace {

std::atomic<CResourceModule*> g_current{nullptr};
std::atomic<int> g_packCounter{0};

QString Unescape(QStringView text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const QChar next = text[++i];
    if (next == u'n')
      out += QLatin1Char('\n');
    else if (next == u't')
      out += QLatin1Char('\t');
    else
      out += next;  // "\\" and anything else: the character itself
  }
  return out;
}

QStringList ReadLines(const QString& path, bool* ok) {
  QFile f(path);
  *ok = f.open(QIODevice::ReadOnly);
  if (!*ok) return {};
  QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  for (QString& line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return lines;
}

bool Skip(const QString& line) {
  const QString t = line.trimmed();
  return t.isEmpty() || t.startsWith(QLatin1Char('#'));
}

// "MENU 101" -> 101; 0 when the line does not start with the word.
uint32_t Header(const QString& line, QLatin1String word, QStringList* rest = nullptr) {
  const QStringList parts = line.simplified().split(QLatin1Char(' '));
  if (parts.size() < 2 || parts[0] != word) return 0;
  if (rest) *rest = parts.mid(2);
  return parts[1].toUInt();
}

void ParseMenus(const QStringList& lines, std::map<uint32_t, CMenuResource>* menus) {
  std::vector<CMenuResource*> stack;
  for (const QString& raw : lines) {
    if (Skip(raw)) continue;
    const QStringList f = raw.trimmed().split(QLatin1Char('\t'));
    if (stack.empty()) {
      if (uint32_t id = Header(raw, QLatin1String("MENU"))) {
        CMenuResource& menu = (*menus)[id];
        menu = CMenuResource{};
        stack.push_back(&menu);
      }
      continue;
    }
    CMenuResource* parent = stack.back();
    if (f[0] == QLatin1String("END")) {
      stack.pop_back();
    } else if (f[0] == QLatin1String("SEPARATOR")) {
      parent->items.push_back({CMenuResource::kSeparator, 0, {}, {}});
    } else if (f[0] == QLatin1String("POPUP") && f.size() >= 2) {
      parent->items.push_back({CMenuResource::kPopup, 0, Unescape(f[1]), {}});
      stack.push_back(&parent->items.back());
    } else if (f[0] == QLatin1String("ITEM") && f.size() >= 3) {
      parent->items.push_back({CMenuResource::kItem, f[1].toUInt(), Unescape(f[2]), {}});
    }
  }
}

}  // namespace

CResourceModule* CResourceModule::Program() {
  static CResourceModule* program = [] {
    InitProgramResources();
    auto* module = new CResourceModule;
    module->m_source = QStringLiteral("program");
    module->Parse(QStringLiteral(":/vudeze/chs"));
    return module;
  }();
  return program;
}

std::unique_ptr<CResourceModule> CResourceModule::LoadPack(const QString& path, uint32_t* error) {
  auto fail = [&](uint32_t code) {
    if (error) *error = code;
    return nullptr;
  };
  if (!QFileInfo(path).isFile()) return fail(2);
  const QString mapRoot = QStringLiteral("/vudeze/pack%1").arg(g_packCounter.fetch_add(1));
  if (!QResource::registerResource(path, mapRoot)) return fail(13);
  std::unique_ptr<CResourceModule> module(new CResourceModule);
  module->m_source = path;
  module->m_rccPath = path;
  module->m_mapRoot = mapRoot;
  if (!module->Parse(QLatin1Char(':') + mapRoot)) return fail(13);
  if (error) *error = 0;
  return module;
}

CResourceModule::~CResourceModule() {
  CResourceModule* self = this;
  g_current.compare_exchange_strong(self, nullptr);
  if (!m_rccPath.isEmpty()) QResource::unregisterResource(m_rccPath, m_mapRoot);
}

bool CResourceModule::Parse(const QString& root) {
  m_root = root;
  bool ok = false;
  const QStringList strings = ReadLines(root + QStringLiteral("/strings.tsv"), &ok);
  if (!ok) return false;
  for (const QString& line : strings) {
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab <= 0) continue;
    m_strings.insert(line.left(tab), Unescape(QStringView(line).mid(tab + 1)));
  }
  ParseMenus(ReadLines(root + QStringLiteral("/menus.txt"), &ok), &m_menus);

  uint32_t table = 0;
  for (const QString& line : ReadLines(root + QStringLiteral("/accelerators.txt"), &ok)) {
    if (Skip(line)) continue;
    if (uint32_t id = Header(line, QLatin1String("ACCEL"))) {
      table = id;
    } else if (line.trimmed() == QLatin1String("END")) {
      table = 0;
    } else if (table != 0) {
      const QStringList f = line.trimmed().split(QLatin1Char('\t'));
      if (f.size() == 2)
        m_accelerators[table].push_back(
            {f[0].toUInt(), QKeySequence::fromString(f[1], QKeySequence::PortableText)});
    }
  }

  CToolbarResource* bar = nullptr;
  for (const QString& line : ReadLines(root + QStringLiteral("/toolbars.txt"), &ok)) {
    if (Skip(line)) continue;
    QStringList size;
    if (uint32_t id = Header(line, QLatin1String("TOOLBAR"), &size)) {
      bar = &m_toolbars[id];
      bar->id = id;
      if (size.size() == 2) {
        bar->imageWidth = size[0].toInt();
        bar->imageHeight = size[1].toInt();
      }
    } else if (line.trimmed() == QLatin1String("END")) {
      bar = nullptr;
    } else if (bar != nullptr) {
      bar->buttons.push_back(
          line.trimmed() == QLatin1String("SEPARATOR") ? 0 : line.trimmed().toUInt());
    }
  }
  return !m_strings.isEmpty();
}

bool CResourceModule::LoadString(uint32_t id, QString* text) const {
  auto it = m_strings.constFind(QString::number(id));
  if (it == m_strings.constEnd()) return false;
  *text = *it;
  return true;
}

QString CResourceModule::String(uint32_t id) const {
  return m_strings.value(QString::number(id));
}

QString CResourceModule::Text(const QString& key) const {
  return m_strings.value(key);
}

QStringList CResourceModule::Keys() const {
  return m_strings.keys();
}

const CMenuResource* CResourceModule::Menu(uint32_t id) const {
  auto it = m_menus.find(id);
  return it == m_menus.end() ? nullptr : &it->second;
}

std::vector<CAccelerator> CResourceModule::Accelerators(uint32_t id) const {
  auto it = m_accelerators.find(id);
  return it == m_accelerators.end() ? std::vector<CAccelerator>{} : it->second;
}

const CToolbarResource* CResourceModule::Toolbar(uint32_t id) const {
  auto it = m_toolbars.find(id);
  return it == m_toolbars.end() ? nullptr : &it->second;
}

QImage CResourceModule::Bitmap(uint32_t id) const {
  return QImage(m_root + QStringLiteral("/bitmaps/%1.png").arg(id));
}

QImage CResourceModule::Icon(uint32_t id) const {
  return QImage(m_root + QStringLiteral("/icons/%1.png").arg(id));
}

CResourceModule* AfxGetResourceHandle() {
  CResourceModule* module = g_current.load();
  return module != nullptr ? module : CResourceModule::Program();
}

namespace {

// The platform's own dialogs (file dialogs, message box buttons) speak the
// module's language through Qt's translations, when they are installed.
void SetPlatformLanguage(const QString& locale) {
  static QTranslator* translator = nullptr;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() != app->thread()) return;
  if (translator != nullptr) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
    translator = nullptr;
  }
  if (locale.isEmpty() || locale == QLatin1String("en")) return;
  auto* t = new QTranslator;
  if (t->load(QStringLiteral("qtbase_") + locale,
              QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(t);
    translator = t;
  } else {
    delete t;
  }
}

}  // namespace

void AfxSetResourceHandle(CResourceModule* module) {
  g_current.store(module);
  SetPlatformLanguage(AfxGetResourceHandle()->String(kPlatformLanguageString));
}

QString AfxString(uint32_t id) {
  return AfxGetResourceHandle()->String(id);
}

QString AfxCommandPrompt(uint32_t id) {
  const QString text = AfxString(id);
  return text.section(QLatin1Char('\n'), 0, 0);
}

QString AfxCommandTip(uint32_t id) {
  const QString text = AfxString(id);
  const qsizetype lf = text.indexOf(QLatin1Char('\n'));
  return lf < 0 ? text : text.mid(lf + 1);
}

QString AfxFormatString(uint32_t id, ...) {
  const QByteArray format = AfxString(id).toUtf8();
  va_list args;
  va_start(args, id);
  QString text = QString::vasprintf(format.constData(), args);
  va_end(args);
  return text;
}
