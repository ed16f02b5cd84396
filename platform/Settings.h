// The settings root "Software\Varenco\VUDEZE 5.0" over QSettings("Varenco",
// "VUDEZE 5.0") with registry-style results: a missing key or value gives 2.
// Each registry subkey is a QSettings group. Tests point XDG_CONFIG_HOME at a
// temporary folder.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

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

  // 2 when the value is missing; a string value read as a number is 13.
  uint32_t QueryString(const QString& name, QString* value) const;
  uint32_t QueryDword(const QString& name, uint32_t* value) const;
  uint32_t SetString(const QString& name, const QString& value);
  uint32_t SetDword(const QString& name, uint32_t value);
  uint32_t DeleteValue(const QString& name);

private:
  QString m_path;  // group path below the root, "/"-separated; empty for the root
  bool m_open = false;
};

// The application profile: sections are subkeys of the root.
QString GetProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue = QString());
int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
bool WriteProfileInt(const QString& section, const QString& entry, int value);
