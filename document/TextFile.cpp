#include "document/TextFile.h"

#include <QFile>
#include <cstring>

#include "document/CodePageList.h"
#include "document/TextCodePage.h"
#include "document/TextEncoding.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "sdk/ttsapi.h"

namespace {

uint32_t FileErrorCode(const QFile& file) {
  switch (file.error()) {
    case QFileDevice::NoError:
      return 0;
    case QFileDevice::ReadError:
      return ERROR_READ_FAULT;
    case QFileDevice::PermissionsError:
      return ERROR_ACCESS_DENIED;
    case QFileDevice::ResourceError:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      break;
  }
  // QFile keeps no errno; tell a missing file from a missing folder.
  if (!file.exists()) {
    const QString dir = file.fileName().section('/', 0, -2);
    if (!dir.isEmpty() && !QFile::exists(dir)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
  }
  return ERROR_ACCESS_DENIED;
}

}  // namespace

uint32_t DetectTextCodePage(const QByteArray& head) {
  if (head.size() >= 2) {
    const auto b0 = static_cast<uint8_t>(head[0]);
    const auto b1 = static_cast<uint8_t>(head[1]);
    // The value read as little-endian: 0xFEFF (FF FE) or 0xFFFE (FE FF).
    const uint16_t value = static_cast<uint16_t>(b0 | (b1 << 8));
    if (value == 0xFEFF || value == 0xFFFE) return kCodePageUcs2;
  }
  return GetACP();
}

QString DecodeTextBytes(const QByteArray& bytes, uint32_t cp, bool* ok) {
  if (ok != nullptr) *ok = true;
  if (cp == kCodePageUcs2) {
    const qsizetype units = bytes.size() / 2;  // an odd last byte is dropped
    QString text(units, Qt::Uninitialized);
    const auto* src = reinterpret_cast<const uint8_t*>(bytes.constData());
    for (qsizetype i = 0; i < units; ++i)
      text[i] = QChar(static_cast<char16_t>(src[2 * i] | (src[2 * i + 1] << 8)));
    if (!text.isEmpty() && text[0] == QChar(0xFEFF)) text.remove(0, 1);
    return text;
  }
  return MultiByteToWide(cp, bytes, ok);
}

uint32_t LoadTextFile(const QString& path, uint32_t codePage, QString* text,
                      uint32_t* usedCodePage) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return FileErrorCode(file);
  return LoadOpenTextFile(file, codePage, text, usedCodePage);
}

uint32_t LoadOpenTextFile(QFile& file, uint32_t codePage, QString* text, uint32_t* usedCodePage) {
  // The limit is checked before any text byte is read. A device that reports
  // no size (a pipe) is read up to the limit and refused past it.
  if (!file.isSequential() && file.size() >= kTextFileMaxBytes) return kTextFileTooLarge;
  QByteArray bytes = file.read(kTextFileMaxBytes);
  if (file.error() != QFileDevice::NoError) return FileErrorCode(file);
  if (bytes.size() >= kTextFileMaxBytes) return kTextFileTooLarge;

  uint32_t cp = codePage != 0 ? codePage : DetectTextCodePage(bytes.left(2));
  bool ok = true;
  QString decoded;
  if (codePage == 0 && cp != kCodePageUcs2) {
    // Without a choice: the system code page when the bytes are valid in it,
    // else the code page they are written in (a GBK file under UTF-8).
    if (CodePageList().isEmpty()) BuildCodePageList();
    cp = DecodeAutomatic(bytes, cp, ListedCodePages(), &decoded);
  } else {
    decoded = DecodeTextBytes(bytes, cp, &ok);
  }
  if (!ok) return ERROR_INVALID_PARAMETER;
  *text = std::move(decoded);
  if (usedCodePage != nullptr) *usedCodePage = cp;
  return 0;
}

QString TextFileTooLargeMessage() {
  return QStringLiteral("该文件太大，无法打开。");
}

QByteArray SpeechTextBytes(const QString& text, uint32_t cp) {
  if (cp == kCodePageUcs2) {
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
      const char16_t u = text[i].unicode();
      bytes[2 * i] = static_cast<char>(u & 0xFF);
      bytes[2 * i + 1] = static_cast<char>(u >> 8);
    }
    return bytes;
  }
  return WideToMultiByte(cp, text);
}

uint32_t InputCodePageOf(uint32_t cp) {
  switch (cp) {
    case 936:
      return TTS_CP_GBK;
    case 950:
      return TTS_CP_BIG5;
    case kCodePageUcs2:
      return TTS_CP_UTF16LE;
    default:
      return TTS_CP_DEFAULT;
  }
}
