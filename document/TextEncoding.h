// The document's text encodings without widgets: how a file's bytes become
// the view's text when no code page was chosen, the bytes a save writes,
// the encoding pane's text, the file dialogs' encoding box, and the
// conversion between Simplified and Traditional Chinese characters.
//
// Automatic detection keeps what the program always did for files that
// start with FF FE (UCS-2) and for files whose bytes are text of the system
// code page. Other files would lose their text when read in the system code
// page (on a UTF-8 system, every GBK or Big5 file), so they are read in the
// code page they are detected in instead: the UTF-8 signature EF BB BF
// means 65001 (the signature is not text); else the platform's charset
// detection guesses among the listed code pages, and the first guess in
// which the whole file is text wins.
//
// Threads: any; nothing here keeps state (the encoding box reads the code
// page list, built once at start-up).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

inline constexpr uint32_t kCodePageUtf8 = 65001;

// The result of a load or save that has already told the user why it
// failed (or that the user cancelled): no further message.
inline constexpr uint32_t kFileErrorReported = 1223;

// The code page of a file read without an explicit choice, and its text.
// bytes are the whole file; systemCodePage is the system ANSI code page;
// candidates the code pages a detection may choose (the listed ones).
// Files with the UCS-2 signature are not handled here (DetectTextCodePage).
uint32_t DecodeAutomatic(const QByteArray& bytes, uint32_t systemCodePage,
                         const std::vector<uint32_t>& candidates, QString* text);

// The code pages of the code page list (CodePageList()), in list order.
std::vector<uint32_t> ListedCodePages();

// The bytes a save writes for text in code page cp: for 1200 the bytes FF FE
// and the text's 16-bit little-endian units; otherwise the text converted
// with a blank for every character the code page lacks (however many bytes a
// character needs, none is cut). *ok is false when cp cannot be converted.
QByteArray EncodeDocumentText(const QString& text, uint32_t cp, bool* ok);

// Line breaks. The edit view keeps every line break as "\n"; a file whose
// line breaks are all "\r\n" gets them back when it is saved, so that it
// is written as it was read.
bool HasCrLfLineBreaks(const QString& text);
QString WithCrLfLineBreaks(const QString& text);

// The encoding pane's text for a code page: the platform's name with its
// trailing ")" and blanks removed, then everything up to and including its
// first blank; unicodeText when the platform does not describe the code page
// as a multibyte code page (1200 among them).
QString EncodingPaneText(uint32_t cp, const QString& unicodeText);

// One entry of the file dialogs' encoding box: its text and its code page
// (0 for automatic detection).
struct EncodingBoxEntry {
  QString text;
  uint32_t codePage;
};
// The entries: for the open dialog the automatic entry first, then every
// name of the list.
std::vector<EncodingBoxEntry> EncodingBoxEntries(bool open, const QString& autoText,
                                                 const QStringList& list);
// The entry selected when the dialog opens: the automatic entry in the open
// dialog; in the save dialog the entry of the current code page, or the
// first entry when the list does not have it.
int EncodingBoxSelection(bool open, uint32_t currentCodePage, const QStringList& list);

// The code page an accepted dialog chose, from its entry's code page: a
// specific code page is explicit; the automatic entry stands for the system
// code page, detected at loading (not explicit).
uint32_t ChosenCodePage(uint32_t entryCodePage, uint32_t systemCodePage, bool* explicitChoice);

// Whether a change between two code pages is one between Simplified (936)
// and Traditional (950) Chinese, whose text may be converted.
bool IsChineseSwitch(uint32_t from, uint32_t to);
// Converts text character by character to Traditional (Taiwan) or to
// Simplified forms. False (and *out unchanged) when the conversion tables
// cannot be loaded.
bool ConvertChineseCharacters(const QString& text, bool toTraditional, QString* out);

// The string-table text that says why a file could not be read or written,
// for a system code; 0 for codes without one.
uint32_t FileErrorReason(uint32_t code);
