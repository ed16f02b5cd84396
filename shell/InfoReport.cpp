#include "shell/InfoReport.h"

#include <QCoreApplication>
#include <QObject>
#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <mutex>
#include <vector>

#include "framework/QueuedEvent.h"

namespace {

std::mutex g_receiverLock;
QObject* g_receiver = nullptr;

QString FormatDetails(const wchar_t* format, va_list args) {
  if (format == nullptr) return {};
  // One buffer per reporting thread: a synthesis makes a report per piece.
  thread_local std::vector<wchar_t> buffer;
  buffer.resize(kInfoDetailsMax);
  va_list copy;
  va_copy(copy, args);
  int n = std::vswprintf(buffer.data(), buffer.size(), format, copy);
  va_end(copy);
  // vswprintf fails when the text does not fit: format into a larger buffer
  // and keep the first kInfoDetailsMax - 1 characters.
  for (size_t size = buffer.size() * 4; n < 0 && size <= (1u << 24); size *= 4) {
    buffer.assign(size, L'\0');
    va_copy(copy, args);
    n = std::vswprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
  }
  QString text;
  if (n >= 0) text = QString::fromWCharArray(buffer.data(), std::min(n, kInfoDetailsMax - 1));
  // A buffer grown for an overlong text is not kept.
  if (buffer.capacity() > static_cast<size_t>(kInfoDetailsMax)) std::vector<wchar_t>().swap(buffer);
  return text;
}

void Post(int32_t result, QString action, const wchar_t* format, va_list args) {
  std::lock_guard<std::mutex> lock(g_receiverLock);
  if (g_receiver == nullptr) return;
  InfoRecord record{result, std::move(action), FormatDetails(format, args)};
  PostQueuedEvent(g_receiver, new CInfoEvent(std::move(record)));
}

}  // namespace

QObject* SetInfoReceiver(QObject* receiver) {
  std::lock_guard<std::mutex> lock(g_receiverLock);
  QObject* old = g_receiver;
  g_receiver = receiver;
  return old;
}

void ClearInfoReceiver(QObject* receiver) {
  std::lock_guard<std::mutex> lock(g_receiverLock);
  if (g_receiver == receiver) g_receiver = nullptr;
}

void PostInfo(int32_t result, const wchar_t* action, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  Post(result, FromWide(action), format, args);
  va_end(args);
}

void PostInfo(int32_t result, const QString& action, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  Post(result, action, format, args);
  va_end(args);
}

void ClearInfo() {
  std::lock_guard<std::mutex> lock(g_receiverLock);
  if (g_receiver == nullptr) return;
  PostQueuedEvent(g_receiver, new QEvent(WM_INFO_CLEAR));
}

QString InfoEscape(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('%'), QLatin1String("%%"));
  return out;
}

std::wstring ToWide(const QString& text) {
  return text.toStdWString();
}

QString FromWide(const wchar_t* text) {
  return text == nullptr ? QString() : QString::fromWCharArray(text);
}

QString InfoResultText(int32_t result) {
  if (result == 0) return QStringLiteral("OK");
  if (result > 0) return QStringLiteral("Failed %1").arg(result);
  return QStringLiteral("Warning %1").arg(result);
}

QList<QStringView> InfoDetailLines(QStringView details) {
  QList<QStringView> lines;
  qsizetype start = 0;
  for (qsizetype end; (end = details.indexOf(QLatin1Char('\n'), start)) >= 0; start = end + 1)
    lines.append(details.sliced(start, end - start));
  lines.append(details.sliced(start));
  return lines;
}
