// A batch of small text files through `vudeze-cli batch -o DIR`, against
// the same files each through its own `vudeze-cli export` in the same run:
// the batch's wall time as a ratio to the sum of the single exports' wall
// times, and the peak memory (maximum resident set of the child, from
// wait4's rusage) of the batch against that of a single export.
//
// Both use the bundled engine (a fresh profile, so the defaults beside the
// program name it). The texts are short sentences, a third of them in
// Chinese, written as UTF-8.
//
//   bench_batch [FILES]      (default 200)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Child {
  double seconds = 0;
  long maxRssKb = 0;
  int status = -1;
};

// Runs the program with args, its output thrown away; wall time and peak
// memory of the child.
Child Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  Child c;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  struct rusage usage {};
  int status = 0;
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return c;
  c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  c.maxRssKb = usage.ru_maxrss;
  c.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const std::string cli = std::string(VUDEZE_BIN_DIR) + "/vudeze-cli";
  QTemporaryDir dir;
  const QDir root(dir.path());
  root.mkpath("texts");
  root.mkpath("batch");
  root.mkpath("single");
  // A fresh profile: the defaults beside the program name the bundled engine.
  setenv("HOME", dir.path().toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", (dir.path() + "/.config").toLocal8Bit().constData(), 1);
  setenv("LANG", "C.UTF-8", 1);

  std::vector<std::string> texts;
  for (int i = 0; i < files; ++i) {
    const QByteArray text =
        i % 3 == 2 ? QStringLiteral("第%1句话很短。").arg(i).toUtf8()
                   : QStringLiteral("Sentence number %1 is a short one.").arg(i).toUtf8();
    const QString path = root.filePath(QStringLiteral("texts/t%1.txt").arg(i, 4, 10, QChar('0')));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) return 1;
    texts.push_back(path.toStdString());
  }

  const std::string batchDir = root.filePath("batch").toStdString();
  const Child batch = Run({cli, "batch", "-o", batchDir, root.filePath("texts").toStdString()});
  double singleSeconds = 0;
  long singleRss = 0;
  std::vector<long> rss;
  int singleFailures = 0;
  for (int i = 0; i < files; ++i) {
    const std::string out = root.filePath(QStringLiteral("single/%1.wav").arg(i)).toStdString();
    const Child one = Run({cli, "export", "-o", out, texts[i]});
    singleSeconds += one.seconds;
    singleRss = std::max(singleRss, one.maxRssKb);
    rss.push_back(one.maxRssKb);
    if (one.status != 0) ++singleFailures;
  }
  std::sort(rss.begin(), rss.end());

  std::printf("files: %d (batch exit %d, single exports failed: %d)\n", files, batch.status,
              singleFailures);
  std::printf("batch wall time: %.2f s; %d single exports: %.2f s; ratio %.3f\n", batch.seconds,
              files, singleSeconds, singleSeconds > 0 ? batch.seconds / singleSeconds : 0.0);
  std::printf(
      "peak memory: batch %ld KiB; single export %ld KiB (median), %ld KiB (max); "
      "ratio to the median %.2f\n",
      batch.maxRssKb, rss.empty() ? 0 : rss[rss.size() / 2], singleRss,
      rss.empty() || rss[rss.size() / 2] == 0
          ? 0.0
          : static_cast<double>(batch.maxRssKb) / static_cast<double>(rss[rss.size() / 2]));
  return batch.status == 0 && singleFailures == 0 ? 0 : 1;
}
