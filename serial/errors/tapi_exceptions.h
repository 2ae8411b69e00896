#pragma once
// The telephony leaf exception classes, one per telephony error code. The serial layer
// never selects a telephony mode, so none of these is raised in practice; they keep every
// code of the table mapped to its class.

#include "serial/errors/error_codes.h"
#include "serial/errors/vexa_exception.h"

namespace norvane::serial {

using ETapiAllocated = EVexaLeaf<ETapi, ecTapiAllocated>;
using ETapiBadDeviceID = EVexaLeaf<ETapi, ecTapiBadDeviceID>;
using ETapiBearerModeUnavail = EVexaLeaf<ETapi, ecTapiBearerModeUnavail>;
using ETapiCallUnavail = EVexaLeaf<ETapi, ecTapiCallUnavail>;
using ETapiCompletionOverrun = EVexaLeaf<ETapi, ecTapiCompletionOverrun>;
using ETapiConferenceFull = EVexaLeaf<ETapi, ecTapiConferenceFull>;
using ETapiDialBilling = EVexaLeaf<ETapi, ecTapiDialBilling>;
using ETapiDialDialtone = EVexaLeaf<ETapi, ecTapiDialDialtone>;
using ETapiDialPrompt = EVexaLeaf<ETapi, ecTapiDialPrompt>;
using ETapiDialQuiet = EVexaLeaf<ETapi, ecTapiDialQuiet>;
using ETapiIncompatibleApiVersion = EVexaLeaf<ETapi, ecTapiIncompatibleApiVersion>;
using ETapiIncompatibleExtVersion = EVexaLeaf<ETapi, ecTapiIncompatibleExtVersion>;
using ETapiIniFileCorrupt = EVexaLeaf<ETapi, ecTapiIniFileCorrupt>;
using ETapiInUse = EVexaLeaf<ETapi, ecTapiInUse>;
using ETapiInvalAddress = EVexaLeaf<ETapi, ecTapiInvalAddress>;
using ETapiInvalAddressID = EVexaLeaf<ETapi, ecTapiInvalAddressID>;
using ETapiInvalAddressMode = EVexaLeaf<ETapi, ecTapiInvalAddressMode>;
using ETapiInvalAddressState = EVexaLeaf<ETapi, ecTapiInvalAddressState>;
using ETapiInvalAppHandle = EVexaLeaf<ETapi, ecTapiInvalAppHandle>;
using ETapiInvalAppName = EVexaLeaf<ETapi, ecTapiInvalAppName>;
using ETapiInvalBearerMode = EVexaLeaf<ETapi, ecTapiInvalBearerMode>;
using ETapiInvalCallComplMode = EVexaLeaf<ETapi, ecTapiInvalCallComplMode>;
using ETapiInvalCallHandle = EVexaLeaf<ETapi, ecTapiInvalCallHandle>;
using ETapiInvalCallParams = EVexaLeaf<ETapi, ecTapiInvalCallParams>;
using ETapiInvalCallPrivilege = EVexaLeaf<ETapi, ecTapiInvalCallPrivilege>;
using ETapiInvalCallSelect = EVexaLeaf<ETapi, ecTapiInvalCallSelect>;
using ETapiInvalCallState = EVexaLeaf<ETapi, ecTapiInvalCallState>;
using ETapiInvalCallStatelist = EVexaLeaf<ETapi, ecTapiInvalCallStatelist>;
using ETapiInvalCard = EVexaLeaf<ETapi, ecTapiInvalCard>;
using ETapiInvalCompletionID = EVexaLeaf<ETapi, ecTapiInvalCompletionID>;
using ETapiInvalConfCallHandle = EVexaLeaf<ETapi, ecTapiInvalConfCallHandle>;
using ETapiInvalConsultCallHandle = EVexaLeaf<ETapi, ecTapiInvalConsultCallHandle>;
using ETapiInvalCountryCode = EVexaLeaf<ETapi, ecTapiInvalCountryCode>;
using ETapiInvalDeviceClass = EVexaLeaf<ETapi, ecTapiInvalDeviceClass>;
using ETapiInvalDeviceHandle = EVexaLeaf<ETapi, ecTapiInvalDeviceHandle>;
using ETapiInvalDialParams = EVexaLeaf<ETapi, ecTapiInvalDialParams>;
using ETapiInvalDigitList = EVexaLeaf<ETapi, ecTapiInvalDigitList>;
using ETapiInvalDigitMode = EVexaLeaf<ETapi, ecTapiInvalDigitMode>;
using ETapiInvalDigits = EVexaLeaf<ETapi, ecTapiInvalDigits>;
using ETapiInvalExtVersion = EVexaLeaf<ETapi, ecTapiInvalExtVersion>;
using ETapiInvalGroupID = EVexaLeaf<ETapi, ecTapiInvalGroupID>;
using ETapiInvalLineHandle = EVexaLeaf<ETapi, ecTapiInvalLineHandle>;
using ETapiInvalLineState = EVexaLeaf<ETapi, ecTapiInvalLineState>;
using ETapiInvalLocation = EVexaLeaf<ETapi, ecTapiInvalLocation>;
using ETapiInvalMediaList = EVexaLeaf<ETapi, ecTapiInvalMediaList>;
using ETapiInvalMediaMode = EVexaLeaf<ETapi, ecTapiInvalMediaMode>;
using ETapiInvalMessageID = EVexaLeaf<ETapi, ecTapiInvalMessageID>;
using ETapiInvalParam = EVexaLeaf<ETapi, ecTapiInvalParam>;
using ETapiInvalParkID = EVexaLeaf<ETapi, ecTapiInvalParkID>;
using ETapiInvalParkMode = EVexaLeaf<ETapi, ecTapiInvalParkMode>;
using ETapiInvalPointer = EVexaLeaf<ETapi, ecTapiInvalPointer>;
using ETapiInvalPrivSelect = EVexaLeaf<ETapi, ecTapiInvalPrivSelect>;
using ETapiInvalRate = EVexaLeaf<ETapi, ecTapiInvalRate>;
using ETapiInvalRequestMode = EVexaLeaf<ETapi, ecTapiInvalRequestMode>;
using ETapiInvalTerminalID = EVexaLeaf<ETapi, ecTapiInvalTerminalID>;
using ETapiInvalTerminalMode = EVexaLeaf<ETapi, ecTapiInvalTerminalMode>;
using ETapiInvalTimeout = EVexaLeaf<ETapi, ecTapiInvalTimeout>;
using ETapiInvalTone = EVexaLeaf<ETapi, ecTapiInvalTone>;
using ETapiInvalToneList = EVexaLeaf<ETapi, ecTapiInvalToneList>;
using ETapiInvalToneMode = EVexaLeaf<ETapi, ecTapiInvalToneMode>;
using ETapiInvalTransferMode = EVexaLeaf<ETapi, ecTapiInvalTransferMode>;
using ETapiLineMapperFailed = EVexaLeaf<ETapi, ecTapiLineMapperFailed>;
using ETapiNoConference = EVexaLeaf<ETapi, ecTapiNoConference>;
using ETapiNoDevice = EVexaLeaf<ETapi, ecTapiNoDevice>;
using ETapiNoDriver = EVexaLeaf<ETapi, ecTapiNoDriver>;
using ETapiNoMem = EVexaLeaf<ETapi, ecTapiNoMem>;
using ETapiNoRequest = EVexaLeaf<ETapi, ecTapiNoRequest>;
using ETapiNotOwner = EVexaLeaf<ETapi, ecTapiNotOwner>;
using ETapiNotRegistered = EVexaLeaf<ETapi, ecTapiNotRegistered>;
using ETapiOperationFailed = EVexaLeaf<ETapi, ecTapiOperationFailed>;
using ETapiOperationUnavail = EVexaLeaf<ETapi, ecTapiOperationUnavail>;
using ETapiRateUnavail = EVexaLeaf<ETapi, ecTapiRateUnavail>;
using ETapiResourceUnavail = EVexaLeaf<ETapi, ecTapiResourceUnavail>;
using ETapiRequestOverrun = EVexaLeaf<ETapi, ecTapiRequestOverrun>;
using ETapiStructureTooSmall = EVexaLeaf<ETapi, ecTapiStructureTooSmall>;
using ETapiTargetNotFound = EVexaLeaf<ETapi, ecTapiTargetNotFound>;
using ETapiTargetSelf = EVexaLeaf<ETapi, ecTapiTargetSelf>;
using ETapiUninitialized = EVexaLeaf<ETapi, ecTapiUninitialized>;
using ETapiUserUserInfoTooBig = EVexaLeaf<ETapi, ecTapiUserUserInfoTooBig>;
using ETapiReinit = EVexaLeaf<ETapi, ecTapiReinit>;
using ETapiAddressBlocked = EVexaLeaf<ETapi, ecTapiAddressBlocked>;
using ETapiBillingRejected = EVexaLeaf<ETapi, ecTapiBillingRejected>;
using ETapiInvalFeature = EVexaLeaf<ETapi, ecTapiInvalFeature>;
using ETapiNoMultipleInstance = EVexaLeaf<ETapi, ecTapiNoMultipleInstance>;
using ETapiBusy = EVexaLeaf<ETapi, ecTapiBusy>;
using ETapiNotSet = EVexaLeaf<ETapi, ecTapiNotSet>;
using ETapiNoSelect = EVexaLeaf<ETapi, ecTapiNoSelect>;
using ETapiLoadFail = EVexaLeaf<ETapi, ecTapiLoadFail>;
using ETapiGetAddrFail = EVexaLeaf<ETapi, ecTapiGetAddrFail>;
using ETapi16Disabled = EVexaLeaf<ETapi, ecTapi16Disabled>;
using ETapiVoiceNotSupported = EVexaLeaf<ETapi, ecTapiVoiceNotSupported>;
using ETapiWaveFail = EVexaLeaf<ETapi, ecTapiWaveFail>;
using ETapiTranslateFail = EVexaLeaf<ETapi, ecTapiTranslateFail>;

}  // namespace norvane::serial
