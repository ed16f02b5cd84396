// Resource modules: where every user-visible text, menu, accelerator table,
// toolbar and picture comes from, by number. The program's own module
// (Simplified Chinese) is built in; the language packs "EnuLangPack.rcc" and
// "ChtLangPack.rcc" are Qt resource files beside the program that hold every
// resource under the same numbers. One module is current at a time
// (AfxSetResourceHandle); everything the program shows is loaded from it.
//
// Inside a module (the build writes them from resources/):
//   strings.tsv       NUMBER-or-KEY <tab> TEXT, with \n, \t and \\ escaped.
//                     Numbers are the string table; keys "D<dialog>.<control>"
//                     hold the texts of dialog templates.
//   menus.txt         MENU id, POPUP text, ITEM id text, SEPARATOR, END
//   accelerators.txt  ACCEL id, then COMMAND <tab> KEYS lines, END
//   toolbars.txt      TOOLBAR id width height, then command ids or SEPARATOR
//   bitmaps/N.png, icons/N.png
//
// Threads: modules are read-only after loading and may be read from any
// thread; the current-module pointer is atomic. A module must outlive every
// use of it (the application keeps the packs until exit).
#pragma once

#include <QHash>
#include <QImage>
#include <QKeySequence>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

struct CMenuResource {
  enum Kind { kItem, kSeparator, kPopup };
  Kind kind = kPopup;
  uint32_t id = 0;                   // the command of an item
  QString text;                      // "&" marks the mnemonic; "\t" separates the keys shown
  std::vector<CMenuResource> items;  // a popup's (or the menu's) entries
};

struct CAccelerator {
  uint32_t command = 0;
  QKeySequence keys;
};

struct CToolbarResource {
  uint32_t id = 0;
  int imageWidth = 16;
  int imageHeight = 16;
  std::vector<uint32_t> buttons;  // command per image, in order; 0 for a separator
};

class CResourceModule {
 public:
  // The program's own resources. Never null.
  static CResourceModule* Program();
  // Loads a language pack. Null when it cannot be used, with *error 2 (no
  // such file) or 13 (not a resource module: unreadable or without strings).
  static std::unique_ptr<CResourceModule> LoadPack(const QString& path, uint32_t* error = nullptr);

  ~CResourceModule();
  CResourceModule(const CResourceModule&) = delete;
  CResourceModule& operator=(const CResourceModule&) = delete;

  // A string of the string table; false (and *text untouched) when missing.
  bool LoadString(uint32_t id, QString* text) const;
  // The same, empty when missing.
  QString String(uint32_t id) const;
  // A keyed text (dialog texts, "D135.1049"); empty when missing.
  QString Text(const QString& key) const;
  // Every key the module holds (numbers as decimal text).
  QStringList Keys() const;
  // A menu's top level (a popup whose items are the menu bar's entries), or null.
  const CMenuResource* Menu(uint32_t id) const;
  std::vector<CAccelerator> Accelerators(uint32_t id) const;
  const CToolbarResource* Toolbar(uint32_t id) const;
  // Null images when missing.
  QImage Bitmap(uint32_t id) const;
  QImage Icon(uint32_t id) const;
  // Where the module came from: "program" or the pack's path.
  const QString& Source() const { return m_source; }

 private:
  CResourceModule() = default;
  bool Parse(const QString& root);

  QString m_source;
  QString m_root;     // resource path prefix, ":/vudeze/chs"
  QString m_rccPath;  // registered pack file, empty for the program's own
  QString m_mapRoot;
  QHash<QString, QString> m_strings;
  std::map<uint32_t, CMenuResource> m_menus;
  std::map<uint32_t, std::vector<CAccelerator>> m_accelerators;
  std::map<uint32_t, CToolbarResource> m_toolbars;
};

// The string that names a module's language for the platform's own dialogs
// ("zh_CN", "en", "zh_TW"); setting the module loads Qt's translation of it.
inline constexpr uint32_t kPlatformLanguageString = 40000;

// The current module (the program's own until another is set).
CResourceModule* AfxGetResourceHandle();
void AfxSetResourceHandle(CResourceModule* module);

// A string of the current module; empty when missing.
QString AfxString(uint32_t id);
// A command string's parts: the status-bar prompt (before the line feed) and
// the tooltip (after it; the prompt when there is no line feed).
QString AfxCommandPrompt(uint32_t id);
QString AfxCommandTip(uint32_t id);
// A string of the current module with printf-style conversions filled in
// (texts given as UTF-8 for %s).
QString AfxFormatString(uint32_t id, ...);
