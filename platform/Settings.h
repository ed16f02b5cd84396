// The settings root "Software\Varenco\VUDEZE 5.0" over QSettings("Varenco",
// "VUDEZE 5.0") with registry-style results: a missing key or value gives 2.
// Each registry subkey is a QSettings group ("\" or "/" separate subkeys).
// Tests point XDG_CONFIG_HOME at a temporary folder.
// The file stores values as text, so a value's type is not kept: a number
// written by SetDword reads back through QueryString as its decimal text, and
// a text that is a decimal number reads through QueryDword as that number;
// any other text read by QueryDword is 13. Names are case-sensitive. A key
// exists while it holds a value or a subkey (Create on its own stores nothing).
// A CRegKey is a small value (a path); all functions may be called from any
// thread (each builds its own QSettings over the shared file cache).
#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

// The defaults the program was installed with, as an installer would have
// written them into the machine's part of the registry: an INI file of the
// same groups and values. A value the user's settings lack is read from it,
// and a key exists when either holds it; writing and deleting change only
// the user's settings, so the user's own values always win. Empty (the
// default) for none. Any thread.
void SetSettingsDefaults(const QString& path);

class CRegKey {
 public:
  CRegKey() = default;
  // The root key, open.
  static CRegKey Root();

  // Opens an existing subkey (2 when it does not exist) / creates or opens one.
  uint32_t Open(const CRegKey& parent, const QString& subkey);
  uint32_t Create(const CRegKey& parent, const QString& subkey);
  void Close();
  bool IsOpen() const { return m_open; }
  QString Path() const { return m_path; }

  // 2 when the value is missing; a text that is not a 32-bit decimal number
  // read as a number is 13; 6 on a key that is not open. Value names may not
  // be empty or hold "/" or "\" (2 on reading, 87 on writing).
  uint32_t QueryString(const QString& name, QString* value) const;
  uint32_t QueryDword(const QString& name, uint32_t* value) const;
  uint32_t SetString(const QString& name, const QString& value);
  uint32_t SetDword(const QString& name, uint32_t value);
  uint32_t DeleteValue(const QString& name);
  // Deletes a subkey with all its values and subkeys; 2 when it does not exist.
  uint32_t RecurseDeleteKey(const QString& subkey);

 private:
  // The value's raw contents: 0, or 6 (not open) or 2 (no such value).
  uint32_t ReadValue(const QString& name, QVariant* value) const;
  // Stores a value: 0, 6 (not open), 87 (a name the file cannot hold), or the file's error.
  uint32_t WriteValue(const QString& name, const QVariant& value);
  QString m_path;  // group path below the root, "/"-separated; empty for the root
  bool m_open = false;
};

// The application profile: sections are subkeys of the root. A missing
// section or entry, or an entry that is not a number for GetProfileInt, gives
// the default. WriteProfileString with a null entry deletes the section, with
// a null value deletes the entry.
QString GetProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue = QString());
int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
bool WriteProfileInt(const QString& section, const QString& entry, int value);
