#pragma once
// Start and end of the serial layer: the two process-wide string-table readers.
//
// InitialiseSerialLayer must run before any port is created and FinaliseSerialLayer after
// the last one is gone, both on the thread that owns the program's start-up. In between
// the readers are read-only, so any thread may use them. TSerialLayerScope does both for
// the extent of a scope (main(), a test environment).

#include "serial/errors/string_resource.h"

namespace norvane::serial {

// Opens "VEXASRMGR_STRINGS", then "VEXA_ERROR_STRINGS_ENGLISH". Raises
// EQlsStringResourceError when either is missing or damaged, and then leaves the layer
// uninitialised. Calling it again while initialised does nothing.
void InitialiseSerialLayer();

// Frees both readers. Without them ErrorText finds no table texts.
void FinaliseSerialLayer();

// The readers, or nullptr outside InitialiseSerialLayer ... FinaliseSerialLayer.
const TVexaStringResource* ErrorStringTable();
const TVexaStringResource* StringResourceMessageTable();

class TSerialLayerScope {
  public:
    TSerialLayerScope() { InitialiseSerialLayer(); }
    ~TSerialLayerScope() { FinaliseSerialLayer(); }
    TSerialLayerScope(const TSerialLayerScope&) = delete;
    TSerialLayerScope& operator=(const TSerialLayerScope&) = delete;
};

}  // namespace norvane::serial
