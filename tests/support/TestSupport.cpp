#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

bool WriteAll(const QString& path, const QByteArray& data) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(data) == data.size();
}

ProcessResult RunProgram(const QString& program, const QStringList& args, const QStringList& env,
                         int timeoutMs) {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const QString& kv : env) {
    int eq = kv.indexOf('=');
    if (eq > 0) e.insert(kv.left(eq), kv.mid(eq + 1));
  }
  p.setProcessEnvironment(e);
  p.start(program, args);
  ProcessResult r;
  if (!p.waitForStarted(10000)) return r;
  p.closeWriteChannel();
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}
