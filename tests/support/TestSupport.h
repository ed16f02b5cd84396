// Helpers shared by tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

// Folder of the built programs and libraries (build/bin).
inline QString BinDir() {
  return QStringLiteral(VUDEZE_BIN_DIR);
}
inline QString TestDataDir() {
  return QStringLiteral(VUDEZE_TEST_DATA);
}
inline QString BinPath(const QString& name) {
  return BinDir() + "/" + name;
}

QByteArray ReadAll(const QString& path);
bool WriteAll(const QString& path, const QByteArray& data);

struct ProcessResult {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};
// Runs a program to its end (at most timeoutMs) with extra environment entries "K=V".
ProcessResult RunProgram(const QString& program, const QStringList& args,
                         const QStringList& env = {}, int timeoutMs = 120000);
// The same with standard input read from the file stdinPath (instead of /dev/null).
ProcessResult RunProgramWithStdin(const QString& program, const QStringList& args,
                                  const QString& stdinPath, const QStringList& env = {},
                                  int timeoutMs = 120000);

// Readable QString and QStringList values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
  *os << "{";
  for (const QString& text : list) *os << "\n  \"" << text.toStdString() << '"';
  *os << " }";
}
