// The user's default language from LC_ALL/LC_MESSAGES/LANG: zh_CN 0x0804,
// zh_TW and zh_HK 0x0404, anything else 0x0409.
#pragma once

#include <cstdint>

uint16_t GetUserDefaultLangID();
