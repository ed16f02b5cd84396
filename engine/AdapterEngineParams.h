// The engine's parameters as the export format probe asks for them, through
// the process's adapter. Holds nothing; user-interface thread only, like
// every parameter call of the adapter.
#pragma once

#include "audio/ExportFormats.h"
#include "engine/TtsAdapter.h"

class CAdapterEngineParams final : public IEngineParams {
 public:
  uint32_t GetEngineParam(uint32_t id, uint32_t* value) override {
    return TheAdapter().GetEngineParam(id, value);
  }
  uint32_t SetEngineParam(uint32_t id, uint32_t value) override {
    return TheAdapter().SetEngineParam(id, value);
  }
};
