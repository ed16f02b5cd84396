// The synthesiser helper's watchdog: a helper child that stops making
// progress (here: stopped with SIGSTOP in the middle of a text) fails the
// synthesis with TTSERR_ENGINEFAIL after the watchdog's time, and the next
// synthesis works again. The watchdog is set to two seconds for this test
// (read once per process, so this file holds this one test).
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "tests/varentts/VarenttsHarness.h"

namespace {

// The processes whose parent is pid, from /proc.
std::vector<pid_t> ChildrenOf(pid_t pid) {
  std::vector<pid_t> children;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool isPid = false;
    const pid_t candidate = entry.toInt(&isPid);
    if (!isPid) continue;
    const QByteArray stat = ReadAll("/proc/" + entry + "/stat");
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0) continue;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');  // state, ppid, ...
    if (fields.size() > 1 && fields[1].toInt() == pid) children.push_back(candidate);
  }
  return children;
}

char StateOf(pid_t pid) {
  const QByteArray stat = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid));
  const qsizetype close = stat.lastIndexOf(')');
  return close < 0 || close + 2 >= stat.size() ? '-' : stat[close + 2];
}

TEST(VarenTtsWatchdog, HungChildFailsTheSynthesisAndTheNextOneRecovers) {
  ASSERT_EQ(setenv("VARENTTS_WATCHDOG_MS", "2000", 1), 0);
  CVarenTts e;
  ASSERT_TRUE(e.Load());
  void* instance = e.Connect();
  ASSERT_NE(instance, nullptr);
  std::vector<VtPiece> pieces;
  ASSERT_EQ(e.Speak(instance, "Ready.", &pieces), 0u);  // the helper runs

  std::string text;
  for (int i = 0; i < 400; ++i) text += "This sentence keeps the synthesiser busy. ";
  auto speaking = std::async(std::launch::async, [&] {
    std::vector<VtPiece> own;
    return e.Speak(instance, text, &own, 2000);
  });
  // The helper's child for this text: stopped as soon as it appears.
  pid_t stopped = -1;
  for (int i = 0; i < 2000 && stopped < 0; ++i) {
    for (pid_t helper : ChildrenOf(getpid()))
      for (pid_t child : ChildrenOf(helper))
        if (stopped < 0 && kill(child, SIGSTOP) == 0) stopped = child;
    if (stopped < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GT(stopped, 0) << "no synthesiser child appeared";
  QElapsedTimer clock;
  clock.start();
  const bool ended = speaking.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  if (!ended) kill(stopped, SIGCONT);  // let the synthesis end, so the test can
  ASSERT_TRUE(ended) << "the synthesis still waits for the stopped child";
  EXPECT_EQ(speaking.get(), static_cast<uint32_t>(TTSERR_ENGINEFAIL));
  EXPECT_GE(clock.elapsed(), 1500) << "failed before the watchdog's time";
  EXPECT_NE(StateOf(stopped), 'T') << "the stopped child was left behind";

  ASSERT_EQ(e.Speak(instance, "Hello again.", &pieces), 0u);
  EXPECT_GT(CVarenTts::AudioBytes(pieces), 10000u);
}

}  // namespace
