// Text files as the program reads them, and the bytes of a text as the
// speech engine receives them. Widget-free: the edit view and the command-line
// front end both load through here.
//
// A text file is either UCS-2 (the bytes FF FE, then 16-bit little-endian
// units) or multibyte text in some code page. Without a chosen code page,
// FF FE or FE FF gives 1200; other files are read in the system ANSI code
// page when their bytes are valid in it, else in the code page they are
// detected to be written in (DecodeAutomatic: a GBK file under a UTF-8
// system is read as GBK, not as replacement characters). No line-ending
// conversion takes place.
//
// Every function here may be called from any thread once the code-page list
// has been built (LoadTextFile builds it on first use).
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

// A file of this many bytes or more is refused: half of it would exceed the
// edit view's 1,048,575 characters.
inline constexpr int64_t kTextFileMaxBytes = 2097152;

// The result of loading a file that is too large (the system's "file too
// large" code).
inline constexpr uint32_t kTextFileTooLarge = 223;

// The code page a file's first bytes call for: 1200 for the signatures FF FE
// and FE FF, else the system ANSI code page. Fewer than two bytes count as
// ANSI.
uint32_t DetectTextCodePage(const QByteArray& head);

// Decodes file bytes in code page cp. For 1200 the bytes are read as 16-bit
// little-endian units (never swapped), a leading U+FEFF is not taken into the
// text and an odd last byte is dropped. Other code pages go through the
// platform's multibyte conversion; undecodable bytes are replaced. *ok (when
// given) is false when cp cannot be converted at all.
QString DecodeTextBytes(const QByteArray& bytes, uint32_t cp, bool* ok = nullptr);

// Loads a text file. codePage 0 detects the code page (see above);
// any other value is used as given (an explicit choice: the signature bytes
// of a UCS-2 file read in a multibyte code page are decoded as text).
// Returns 0 with *text and *usedCodePage set, or a system error code:
// kTextFileTooLarge for 2,097,152 bytes or more (checked before the text is
// read), ERROR_INVALID_PARAMETER for a code page that cannot be converted,
// the open or read failure otherwise. On failure *text is left unchanged.
uint32_t LoadTextFile(const QString& path, uint32_t codePage, QString* text,
                      uint32_t* usedCodePage);
// The same for a file opened for reading already (standard input): read
// from where it stands to its end.
uint32_t LoadOpenTextFile(QFile& file, uint32_t codePage, QString* text, uint32_t* usedCodePage);

// The message shown when a file is too large to open.
QString TextFileTooLargeMessage();

// The bytes the speech engine receives for a text in code page cp: for 1200
// the UTF-16 units as they stand (little-endian, two bytes per character),
// otherwise the platform's wide-to-multibyte conversion with a blank for every
// character the code page lacks. The whole text is always converted, however
// many bytes a character needs; no terminator is added.
QByteArray SpeechTextBytes(const QString& text, uint32_t cp);

// The value of TTS_PARAM_INPUTCODEPAGE for a code page: TTS_CP_GBK for 936,
// TTS_CP_BIG5 for 950, TTS_CP_UTF16LE for 1200, TTS_CP_DEFAULT for any other.
uint32_t InputCodePageOf(uint32_t cp);
