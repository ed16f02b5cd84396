#include "settings/BgVoice.h"

#include <cstring>

#include "platform/CodePage.h"
#include "plugins/bgvoice/BgVoiceService.h"
#include "settings/scom.h"

namespace {

constexpr uint32_t kGbkCodePage = 936;
constexpr qsizetype kMaxNameLength = 1024;

}  // namespace

void** GetBgVoiceService() {
  static void* cache = nullptr;
  if (!cache) scom::resolve_service(scom::shdll_mod_instance(), "bgvoice_init", &cache, false);
  return &cache;
}

bgvoice::IBgVoiceService* BgVoiceService() {
  return static_cast<bgvoice::IBgVoiceService*>(*GetBgVoiceService());
}

QList<BgSoundItem> BgSoundsForPackage(const QString& package) {
  QList<BgSoundItem> items;
  bgvoice::IBgVoiceService* service = BgVoiceService();
  if (!service || package.isEmpty()) return items;
  bgvoice::ISoundList* list =
      service->SoundList(reinterpret_cast<const char16_t*>(package.utf16()));
  if (!list) return items;
  int32_t count = list->Count();
  for (int32_t i = 0; i < count; ++i) {
    // A sound without a name keeps its place, so that positions still match
    // the service's numbering.
    const char* name = list->Name(i);
    QString text =
        name ? MultiByteToWide(kGbkCodePage, name, qsizetype(std::strlen(name))) : QString();
    text.truncate(kMaxNameLength);
    items.append({text, list->Value(i)});
  }
  return items;
}
