// Registry-style keys over QSettings. The settings file keeps every value as
// text, so a value's registry type does not survive a restart: a 32-bit
// value written by SetDword reads back as its decimal text. The rules below
// make both directions work without a type tag in the file:
// - QueryDword accepts a value whose whole text is a decimal number in the
//   32-bit range (what SetDword writes, or what a user typed into the file);
//   other text is 13 (invalid data) and leaves *value unchanged.
// - QueryString returns any value's text; a text typed into the file with
//   unquoted commas (which QSettings reads as a list) is joined again with
//   ", "; a value that is neither text nor a number (a byte array written
//   through QSettings directly) is 13.
// A key exists while it holds a value or a subkey: the file has no place for
// an empty group, so Create gives an open key whose group appears once
// something is written into it.
// Every operation builds its own QSettings on the stack under one process-wide
// mutex: QSettings objects share a per-file cache, and serialising them here
// makes each operation atomic against the others and visible to thread
// checkers (Qt's own locking is not). These functions may be called from any
// thread; they block while another thread reads or writes the file.
#include "platform/Settings.h"

#include <QSettings>
#include <QStringList>
#include <limits>
#include <mutex>

#include "platform/SysError.h"

namespace {

std::mutex& SettingsMutex() {
  static std::mutex mutex;
  return mutex;
}

QSettings MakeSettings() {
  return QSettings(QStringLiteral("Varenco"), QStringLiteral("VUDEZE 5.0"));
}

// The defaults file the program was installed with; empty for none. Guarded
// by SettingsMutex.
QString& DefaultsPath() {
  static QString path;
  return path;
}

QSettings MakeDefaults() {
  return QSettings(DefaultsPath(), QSettings::IniFormat);
}

// Registry paths use "\"; groups use "/". Empty elements ("a\\b", a leading
// or trailing separator) are dropped, as the registry does.
QString NormalizeSubkey(const QString& subkey) {
  QStringList parts = QString(subkey)
                          .replace(QLatin1Char('\\'), QLatin1Char('/'))
                          .split(QLatin1Char('/'), Qt::SkipEmptyParts);
  return parts.join(QLatin1Char('/'));
}

QString Join(const QString& parent, const QString& child) {
  if (parent.isEmpty()) return child;
  if (child.isEmpty()) return parent;
  return parent + QLatin1Char('/') + child;
}

// QSettings treats "/" and "\" in a key as a group separator, and has no
// unnamed value; such names cannot be stored faithfully.
bool ValidValueName(const QString& name) {
  return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

bool GroupExists(QSettings& settings, const QString& path) {
  if (path.isEmpty()) return true;
  const int slash = path.lastIndexOf(QLatin1Char('/'));
  const QString parent = slash < 0 ? QString() : path.left(slash);
  const QString leaf = slash < 0 ? path : path.mid(slash + 1);
  if (!parent.isEmpty()) settings.beginGroup(parent);
  const bool found = settings.childGroups().contains(leaf);
  if (!parent.isEmpty()) settings.endGroup();
  return found;
}

uint32_t StatusCode(QSettings& settings) {
  settings.sync();
  switch (settings.status()) {
    case QSettings::NoError:
      return 0;
    case QSettings::AccessError:
      return ERROR_ACCESS_DENIED;
    case QSettings::FormatError:
      return ERROR_INVALID_DATA;
  }
  return ERROR_WRITE_FAULT;
}

bool ParseDword(const QString& text, uint32_t* value) {
  bool ok = false;
  const qlonglong n = text.trimmed().toLongLong(&ok, 10);
  if (!ok) return false;
  // Negative numbers within the 32-bit signed range are the same 32 bits
  // (an int written through the profile functions).
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<uint32_t>::max())
    return false;
  *value = static_cast<uint32_t>(n);
  return true;
}

bool IsNumberType(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
      return true;
    default:
      return false;
  }
}

}  // namespace

void SetSettingsDefaults(const QString& path) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  DefaultsPath() = path;
}

CRegKey CRegKey::Root() {
  CRegKey key;
  key.m_open = true;
  return key;
}

uint32_t CRegKey::Open(const CRegKey& parent, const QString& subkey) {
  if (!parent.m_open) return ERROR_INVALID_HANDLE;
  const QString path = Join(parent.m_path, NormalizeSubkey(subkey));
  std::lock_guard<std::mutex> lock(SettingsMutex());
  QSettings settings = MakeSettings();
  if (!GroupExists(settings, path)) {
    if (DefaultsPath().isEmpty()) return ERROR_FILE_NOT_FOUND;
    QSettings defaults = MakeDefaults();
    if (!GroupExists(defaults, path)) return ERROR_FILE_NOT_FOUND;
  }
  m_path = path;
  m_open = true;
  return 0;
}

uint32_t CRegKey::Create(const CRegKey& parent, const QString& subkey) {
  if (!parent.m_open) return ERROR_INVALID_HANDLE;
  m_path = Join(parent.m_path, NormalizeSubkey(subkey));
  m_open = true;
  return 0;
}

void CRegKey::Close() {
  m_path.clear();
  m_open = false;
}

uint32_t CRegKey::ReadValue(const QString& name, QVariant* value) const {
  if (!m_open) return ERROR_INVALID_HANDLE;
  if (!ValidValueName(name)) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::mutex> lock(SettingsMutex());
  QSettings settings = MakeSettings();
  *value = settings.value(Join(m_path, name));
  if (!value->isValid() && !DefaultsPath().isEmpty()) {
    QSettings defaults = MakeDefaults();
    *value = defaults.value(Join(m_path, name));
  }
  return value->isValid() ? 0 : ERROR_FILE_NOT_FOUND;
}

uint32_t CRegKey::QueryString(const QString& name, QString* value) const {
  QVariant v;
  if (uint32_t r = ReadValue(name, &v)) return r;
  if (v.typeId() == QMetaType::QStringList) {
    // The file's reader splits an unquoted text at its commas; what was
    // typed there is one text.
    if (value) *value = v.toStringList().join(QStringLiteral(", "));
    return 0;
  }
  if (v.typeId() != QMetaType::QString && !IsNumberType(v)) return ERROR_INVALID_DATA;
  if (value) *value = v.toString();
  return 0;
}

uint32_t CRegKey::QueryDword(const QString& name, uint32_t* value) const {
  QVariant v;
  if (uint32_t r = ReadValue(name, &v)) return r;
  if (v.typeId() != QMetaType::QString && !IsNumberType(v)) return ERROR_INVALID_DATA;
  uint32_t n = 0;
  if (!ParseDword(v.toString(), &n)) return ERROR_INVALID_DATA;
  if (value) *value = n;
  return 0;
}

uint32_t CRegKey::WriteValue(const QString& name, const QVariant& value) {
  if (!m_open) return ERROR_INVALID_HANDLE;
  if (!ValidValueName(name)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(SettingsMutex());
  QSettings settings = MakeSettings();
  settings.setValue(Join(m_path, name), value);
  return StatusCode(settings);
}

uint32_t CRegKey::SetString(const QString& name, const QString& value) {
  return WriteValue(name, value);
}

uint32_t CRegKey::SetDword(const QString& name, uint32_t value) {
  return WriteValue(name, value);
}

uint32_t CRegKey::DeleteValue(const QString& name) {
  if (!m_open) return ERROR_INVALID_HANDLE;
  if (!ValidValueName(name)) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::mutex> lock(SettingsMutex());
  QSettings settings = MakeSettings();
  const QString key = Join(m_path, name);
  if (!settings.contains(key)) return ERROR_FILE_NOT_FOUND;
  settings.remove(key);
  return StatusCode(settings);
}

uint32_t CRegKey::RecurseDeleteKey(const QString& subkey) {
  if (!m_open) return ERROR_INVALID_HANDLE;
  const QString child = NormalizeSubkey(subkey);
  if (child.isEmpty()) return ERROR_INVALID_PARAMETER;
  const QString path = Join(m_path, child);
  std::lock_guard<std::mutex> lock(SettingsMutex());
  QSettings settings = MakeSettings();
  if (!GroupExists(settings, path)) return ERROR_FILE_NOT_FOUND;
  settings.remove(path);
  return StatusCode(settings);
}

QString GetProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue) {
  CRegKey key;
  if (key.Open(CRegKey::Root(), section) != 0) return defaultValue;
  QString value;
  if (key.QueryString(entry, &value) != 0) return defaultValue;
  return value;
}

int GetProfileInt(const QString& section, const QString& entry, int defaultValue) {
  CRegKey key;
  if (key.Open(CRegKey::Root(), section) != 0) return defaultValue;
  uint32_t value = 0;
  if (key.QueryDword(entry, &value) != 0) return defaultValue;
  return static_cast<int>(value);
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
  CRegKey root = CRegKey::Root();
  if (entry.isNull()) {
    const uint32_t code = root.RecurseDeleteKey(section);
    return code == 0 || code == ERROR_FILE_NOT_FOUND;
  }
  CRegKey key;
  if (key.Create(root, section) != 0) return false;
  if (value.isNull()) {
    const uint32_t code = key.DeleteValue(entry);
    return code == 0 || code == ERROR_FILE_NOT_FOUND;
  }
  return key.SetString(entry, value) == 0;
}

bool WriteProfileInt(const QString& section, const QString& entry, int value) {
  CRegKey key;
  if (key.Create(CRegKey::Root(), section) != 0) return false;
  return key.SetDword(entry, static_cast<uint32_t>(value)) == 0;
}
