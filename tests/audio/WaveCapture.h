// Sound-card tests without a sound card: ALSA is pointed, before the first
// ALSA call of the process, at a configuration whose devices write what they
// are given to files. alsa-lib reads ALSA_CONFIG_PATH once per process, so
// this runs from a static initialiser, ahead of main.
//   default, vudeze_capture  a "file" device over "null": every byte played
//                            lands in CapturePath(); "null" swallows data at
//                            once and reports no delay, so playback is paced
//                            by the clock.
//   vudeze_card              the test sound card (alsa_clock_device.c): plays
//                            in real time, reports its delay, can pause, and
//                            writes to CapturePath() only what it has played.
//   vudeze_card_nopause      the same without pause: a player must drop and
//                            write again what was not heard.
//   vudeze_missing           a device that cannot be opened.
// The device used is chosen through the profile value Settings/WaveDevice.
// kDevices lists the three that play, for tests run on each.
#pragma once

#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Settings.h"

namespace wavecapture {

inline std::string Folder() {
  static const std::string dir = [] {
    std::string d = QDir::tempPath().toStdString() + "/vudeze-wave-" + std::to_string(getpid());
    QDir().mkpath(QString::fromStdString(d));
    return d;
  }();
  return dir;
}

inline QString CapturePath() {
  return QString::fromStdString(Folder() + "/capture.raw");
}
inline QString ConfigPath() {
  return QString::fromStdString(Folder() + "/asound.conf");
}

// The text of a configuration whose "default" captures to `file`.
inline std::string CaptureConfig(const std::string& file) {
  std::string capture = "{ type file slave.pcm \"null\" file \"" + file + "\" format \"raw\" }\n";
  const std::string card = "{ type vudeze_clock file \"" + file + "\" pause ";
  return "pcm_type.vudeze_clock { lib \"" VUDEZE_BIN_DIR
         "/libasound_module_pcm_vudeze_clock.so\" }\n"
         "pcm.!default " +
         capture + "pcm.vudeze_capture " + capture + "pcm.vudeze_card " + card + "yes }\n" +
         "pcm.vudeze_card_nopause " + card + "no }\n" +
         "pcm.vudeze_missing { type hw card 99 device 0 }\n";
}

inline bool Install() {
  std::ofstream(Folder() + "/asound.conf") << CaptureConfig(CapturePath().toStdString());
  std::string path = "/usr/share/alsa/alsa.conf:" + Folder() + "/asound.conf";
  setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
  return true;
}

inline const bool installed = Install();

// The folder goes when the test program ends.
struct FolderRemover {
  ~FolderRemover() {
    std::error_code ignored;
    std::filesystem::remove_all(Folder(), ignored);
  }
};
inline const FolderRemover folderRemover;

inline constexpr const char* kDevices[] = {"vudeze_capture", "vudeze_card", "vudeze_card_nopause"};

inline void UseDevice(const QString& name) {
  WriteProfileString(QStringLiteral("Settings"), QStringLiteral("WaveDevice"), name);
}

inline QByteArray Captured() {
  QFile f(CapturePath());
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A recognisable pattern: byte i of a run seeded with `seed`.
inline QByteArray Pattern(int size, int seed) {
  QByteArray b(size, '\0');
  uint32_t x = 2463534242u ^ uint32_t(seed);
  for (int i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b[i] = char(x >> 24);
  }
  return b;
}

}  // namespace wavecapture
