// Start-up time of the program with the bundled engine, from launching the
// process to the main window shown, as a ratio to `vudeze-cli engines`
// (launch, load the bundled engine, list it, exit) measured in the same run.
//
// The program is started as this benchmark's own child (`--child`), which
// runs exactly the program's start-up (RunVudeze) and ends as soon as the main
// window has been shown. Both run on the offscreen platform with a fresh
// profile each time (so the installed defaults name the bundled engine) and
// an ALSA "null" default device (a machine with a sound card: no message box).
// Rounds alternate between the two so that machine noise hits both alike.
//
//   bench_startup [ROUNDS]      (default 15)
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "shell/AppMain.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

QProcessEnvironment FreshEnvironment(const QTemporaryDir& home) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("HOME", home.path());
  env.insert("XDG_CONFIG_HOME", home.path() + "/.config");
  env.insert("ALSA_CONFIG_PATH", "/usr/share/alsa/alsa.conf:" + home.path() + "/asound.conf");
  env.insert("LANG", "zh_CN.UTF-8");
  env.remove("DISPLAY");
  return env;
}

// Milliseconds until the child says its window is shown; -1 on failure.
double TimeProgram(const QString& self) {
  QTemporaryDir home;
  QFile conf(home.path() + "/asound.conf");
  conf.open(QIODevice::WriteOnly);
  conf.write("pcm.!default { type null }\n");
  conf.close();
  QProcess child;
  child.setProcessEnvironment(FreshEnvironment(home));
  QElapsedTimer clock;
  clock.start();
  child.start(self, {"--child"});
  while (child.state() != QProcess::NotRunning || child.bytesAvailable() > 0) {
    child.waitForReadyRead(50);
    if (child.readAll().contains("shown")) {
      const double ms = clock.nsecsElapsed() / 1e6;
      child.waitForFinished(10000);
      return ms;
    }
  }
  return -1;
}

double TimeCli(const QString& cli) {
  QTemporaryDir home;
  QProcess child;
  child.setProcessEnvironment(FreshEnvironment(home));
  QElapsedTimer clock;
  clock.start();
  child.start(cli, {"engines"});
  if (!child.waitForFinished(30000) || child.exitCode() != 0) return -1;
  return clock.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && QByteArray(argv[1]) == "--child") {
    // Start-up sends the program's output away (no console asked for): keep
    // a way to tell the parent.
    static int parent = ::dup(STDOUT_FILENO);
    argv[1] = argv[0];
    return RunVudeze(argc - 1, argv + 1, [] {
      const char shown[] = "shown\n";
      (void)!::write(parent, shown, sizeof shown - 1);
      std::_Exit(0);
    });
  }
  QCoreApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const QString self = QCoreApplication::applicationFilePath();
  const QString cli = QStringLiteral(VUDEZE_BIN_DIR) + "/vudeze-cli";
  // One start of each to warm the file cache.
  TimeProgram(self);
  TimeCli(cli);
  std::vector<double> program, engines;
  for (int i = 0; i < rounds; ++i) {
    const double p = TimeProgram(self);
    const double c = TimeCli(cli);
    if (p < 0 || c < 0) {
      std::fprintf(stderr, "bench_startup: a run failed (program %.1f, cli %.1f)\n", p, c);
      return 1;
    }
    program.push_back(p);
    engines.push_back(c);
  }
  const double mp = Median(program), mc = Median(engines);
  std::printf("rounds                                 %d\n", rounds);
  std::printf("vudeze: launch to main window shown    %.1f ms (median)\n", mp);
  std::printf("vudeze-cli engines: launch to exit     %.1f ms (median)\n", mc);
  std::printf("ratio program / vudeze-cli engines     %.2f\n", mc > 0 ? mp / mc : 0.0);
  return 0;
}
