// The program's side of the background-sound service: the cached lookup of
// "bgvoice_init" in the process's service registry, and the sound list of a
// custom resource package as the control panel shows it.
//
// Threads: the user-interface thread only (the registry has no lock).
#pragma once

#include <QList>
#include <QString>
#include <cstdint>

namespace bgvoice {
class IBgVoiceService;
}

// The address of the program's cache variable for "bgvoice_init": it holds the
// service object's address, or null when no module of the process provides
// it. While it is null, every call looks the service up again (registered
// services only, never exported symbols), so a module loaded later is found;
// the providing module clears it when it unloads.
void** GetBgVoiceService();

// The service, or null: *GetBgVoiceService() with its type.
bgvoice::IBgVoiceService* BgVoiceService();

struct BgSoundItem {
  QString name;    // converted from code page 936, at most 1024 characters
  uint32_t value;  // sent as TTS_PARAM_BACKGROUNDSOUND
};

// The sounds that the service offers for a custom resource package, in the
// service's order. Empty when there is no service, the name is empty, the
// service has no list for it, or the list counts below 1.
QList<BgSoundItem> BgSoundsForPackage(const QString& package);
