#include "serial/errors/serial_layer.h"

#include <memory>

namespace norvane::serial {

namespace {

// The two process-wide readers the whole layer shares; see the header for their lifetime.
std::unique_ptr<TVexaStringResource> MessageTable;
std::unique_ptr<TVexaStringResource> ErrorTable;

}  // namespace

void InitialiseSerialLayer() {
    if (ErrorTable) {
        return;
    }
    // The message table comes first so that a failure to open the error table is already
    // reported in its words.
    MessageTable = std::make_unique<TVexaStringResource>("VEXASRMGR_STRINGS");
    try {
        ErrorTable = std::make_unique<TVexaStringResource>("VEXA_ERROR_STRINGS_ENGLISH");
    } catch (...) {
        MessageTable.reset();
        throw;
    }
}

void FinaliseSerialLayer() {
    ErrorTable.reset();
    MessageTable.reset();
}

const TVexaStringResource* ErrorStringTable() {
    return ErrorTable.get();
}

const TVexaStringResource* StringResourceMessageTable() {
    return MessageTable.get();
}

}  // namespace norvane::serial
