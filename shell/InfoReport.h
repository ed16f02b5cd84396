// Information reports: one result code, a short action name and a text of
// details, made from any thread and carried to the information table on the
// user-interface thread as queued Qt events. A report made while no receiver
// is registered is dropped without notice.
#pragma once

#include <QEvent>
#include <QList>
#include <QString>
#include <QStringView>
#include <cstdint>

class QObject;

// Result classes by the sign of the result: 0 success, above 0 failure,
// below 0 warning.
struct InfoRecord {
  int32_t result = 0;
  QString action;
  QString details;
};

// The event that carries one report (WM_INFO_ADD: the first user message
// number plus 318) and the one that clears the table.
inline constexpr QEvent::Type WM_INFO_ADD = static_cast<QEvent::Type>(QEvent::User + 318);
inline constexpr QEvent::Type WM_INFO_CLEAR = static_cast<QEvent::Type>(QEvent::User + 319);

class CInfoEvent : public QEvent {
 public:
  explicit CInfoEvent(InfoRecord record) : QEvent(WM_INFO_ADD), m_record(std::move(record)) {}
  const InfoRecord& Record() const { return m_record; }

 private:
  InfoRecord m_record;
};

// The details buffer holds this many wide characters; longer details are
// cut to 4095 characters instead of overrunning it.
inline constexpr int kInfoDetailsMax = 4096;

// Registers the receiver of reports (its event() calls AcceptQueuedEvent of
// framework/QueuedEvent.h first) (the information table, or a front end
// that prints them), or none. Returns the previous one. The receiver must
// live on the user-interface thread; unregister it before destroying it.
QObject* SetInfoReceiver(QObject* receiver);
// Unregisters receiver if it is still the registered one (a receiver that is
// replaced before it is destroyed must not unregister its successor).
void ClearInfoReceiver(QObject* receiver);

// Formats the details (a wide printf format: %ls for wide text, %d, %x...)
// and posts the report. Callable from any thread; never waits. Callers that
// put arbitrary text into the format double every "%" first (InfoEscape).
void PostInfo(int32_t result, const wchar_t* action, const wchar_t* format, ...);
void PostInfo(int32_t result, const QString& action, const wchar_t* format, ...);

// Asks the receiver to delete all rows; ordered with the reports around it.
void ClearInfo();

// Doubles every "%" so that text can be used as a details format.
QString InfoEscape(const QString& text);

// Converts between QString and the wide text that formats take.
std::wstring ToWide(const QString& text);
QString FromWide(const wchar_t* text);

// The result column's text: "OK", "Failed %d" or "Warning %d". Built in,
// so that the command-line front end needs no resource module; the table
// shows the same texts from the string table (CInfoTableModel::ResultText).
QString InfoResultText(int32_t result);

// The rows a report's details make: split at each line feed, so details of
// three lines give three rows, details without a line feed one, and details
// ending in a line feed an empty last row. The views point into details.
QList<QStringView> InfoDetailLines(QStringView details);
