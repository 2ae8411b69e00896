#include "serial/errors/raise_on_error.h"

#include <algorithm>
#include <new>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_codes.h"
#include "serial/errors/error_text.h"
#include "serial/errors/in_out_error.h"
#include "serial/errors/tapi_exceptions.h"
#include "serial/errors/vexa_leaf_exceptions.h"

namespace norvane::serial {

namespace {

using TRaiser = void (*)(std::int32_t);

template <typename E>
[[noreturn]] void Raise(std::int32_t code) {
    throw E(code);
}

struct TClassOfCode {
    std::int32_t Code;
    TRaiser RaiseClass;
};

// Sorted by code for the binary search below.
constexpr TClassOfCode kClassOfCode[] = {
    {ecBadArgument, &Raise<EBadArgument>},
    {ecGotQuitMsg, &Raise<EGotQuitMsg>},
    {ecBufferTooBig, &Raise<EBufferTooBig>},
    {ecPortNotAssigned, &Raise<EPortNotAssigned>},
    {ecInternal, &Raise<EInternal>},
    {ecModemNotAssigned, &Raise<EModemNotAssigned>},
    {ecPhonebookNotAssigned, &Raise<EPhonebookNotAssigned>},
    {ecCannotUseWithWinSock, &Raise<ECannotUseWithWinSock>},
    {ecBadId, &Raise<EBadId>},
    {ecBaudRate, &Raise<EBaudRate>},
    {ecByteSize, &Raise<EByteSize>},
    {ecDefault, &Raise<EDefault>},
    {ecHardware, &Raise<EHardware>},
    {ecMemory, &Raise<EMemory>},
    {ecCommNotOpen, &Raise<ECommNotOpen>},
    {ecAlreadyOpen, &Raise<EAlreadyOpen>},
    {ecNoHandles, &Raise<ENoHandles>},
    {ecNoTimers, &Raise<ENoTimers>},
    {ecNoPortSelected, &Raise<ENoPortSelected>},
    {ecNotOpenedByTapi, &Raise<ENotOpenedByTapi>},
    {ecNullApi, &Raise<ENullApi>},
    {ecRegisterHandlerFailed, &Raise<ERegisterHandlerFailed>},
    {ecPutBlockFail, &Raise<EPutBlockFail>},
    {ecGetBlockFail, &Raise<EGetBlockFail>},
    {ecOutputBufferTooSmall, &Raise<EOutputBufferTooSmall>},
    {ecBufferIsEmpty, &Raise<EBufferIsEmpty>},
    {ecTracingNotEnabled, &Raise<ETracingNotEnabled>},
    {ecLoggingNotEnabled, &Raise<ELoggingNotEnabled>},
    {ecBaseAddressNotSet, &Raise<EBaseAddressNotSet>},
    {ecModemNotStarted, &Raise<EModemNotStarted>},
    {ecModemBusy, &Raise<EModemBusy>},
    {ecModemNotDialing, &Raise<EModemNotDialing>},
    {ecNotDialing, &Raise<ENotDialing>},
    {ecAlreadyDialing, &Raise<EAlreadyDialing>},
    {ecModemNotResponding, &Raise<EModemNotResponding>},
    {ecModemRejectedCommand, &Raise<EModemRejectedCommand>},
    {ecModemStatusMismatch, &Raise<EModemStatusMismatch>},
    {ecTriggerTooLong, &Raise<ETriggerTooLong>},
    {ecBadTriggerHandle, &Raise<EBadTriggerHandle>},
    {ecProtocolFileExists, &Raise<EProtocol>},
    {ecProtocolFileRefused, &Raise<EProtocol>},
    {ecProtocolBadSettings, &Raise<EProtocol>},
    {ecKeyTooLong, &Raise<EKeyTooLong>},
    {ecDataTooLarge, &Raise<EDataTooLarge>},
    {ecNoFieldsDefined, &Raise<EInternal>},
    {ecIniWrite, &Raise<EIniWrite>},
    {ecIniRead, &Raise<EIniRead>},
    {ecDatabaseDamaged, &Raise<EInternal>},
    {ecRecordExists, &Raise<ERecordExists>},
    {ecRecordNotFound, &Raise<ERecordNotFound>},
    {ecDatabaseFull, &Raise<EDatabaseFull>},
    {ecDatabaseEmpty, &Raise<EDatabaseEmpty>},
    {ecFieldListDamaged, &Raise<EInternal>},
    {ecBadFieldList, &Raise<EBadFieldList>},
    {ecBadFieldForIndex, &Raise<EBadFieldForIndex>},
    {ecFaxBadFormat, &Raise<EFaxBadFormat>},
    {ecBadGraphicsFormat, &Raise<EBadGraphicsFormat>},
    {ecConvertAbort, &Raise<EConvertAbort>},
    {ecUnpackAbort, &Raise<EUnpackAbort>},
    {ecCantMakeBitmap, &Raise<ECantMakeBitmap>},
    {ecInvalidPageNumber, &Raise<EInvalidPageNumber>},
    {ecFaxBadMachine, &Raise<EFaxBadMachine>},
    {ecFaxBadModemResult, &Raise<EFaxBadModemResult>},
    {ecFaxTrainError, &Raise<EFaxTrainError>},
    {ecFaxInitError, &Raise<EFaxInitError>},
    {ecFaxBusy, &Raise<EFaxBusy>},
    {ecFaxVoiceCall, &Raise<EFaxVoiceCall>},
    {ecFaxDataCall, &Raise<EFaxDataCall>},
    {ecFaxNoDialTone, &Raise<EFaxNoDialTone>},
    {ecFaxNoCarrier, &Raise<EFaxNoCarrier>},
    {ecFaxSessionError, &Raise<EFaxSessionError>},
    {ecFaxPageError, &Raise<EFaxPageError>},
    {ecTapiAllocated, &Raise<ETapiAllocated>},
    {ecTapiBadDeviceID, &Raise<ETapiBadDeviceID>},
    {ecTapiBearerModeUnavail, &Raise<ETapiBearerModeUnavail>},
    {ecTapiCallUnavail, &Raise<ETapiCallUnavail>},
    {ecTapiCompletionOverrun, &Raise<ETapiCompletionOverrun>},
    {ecTapiConferenceFull, &Raise<ETapiConferenceFull>},
    {ecTapiDialBilling, &Raise<ETapiDialBilling>},
    {ecTapiDialDialtone, &Raise<ETapiDialDialtone>},
    {ecTapiDialPrompt, &Raise<ETapiDialPrompt>},
    {ecTapiDialQuiet, &Raise<ETapiDialQuiet>},
    {ecTapiIncompatibleApiVersion, &Raise<ETapiIncompatibleApiVersion>},
    {ecTapiIncompatibleExtVersion, &Raise<ETapiIncompatibleExtVersion>},
    {ecTapiIniFileCorrupt, &Raise<ETapiIniFileCorrupt>},
    {ecTapiInUse, &Raise<ETapiInUse>},
    {ecTapiInvalAddress, &Raise<ETapiInvalAddress>},
    {ecTapiInvalAddressID, &Raise<ETapiInvalAddressID>},
    {ecTapiInvalAddressMode, &Raise<ETapiInvalAddressMode>},
    {ecTapiInvalAddressState, &Raise<ETapiInvalAddressState>},
    {ecTapiInvalAppHandle, &Raise<ETapiInvalAppHandle>},
    {ecTapiInvalAppName, &Raise<ETapiInvalAppName>},
    {ecTapiInvalBearerMode, &Raise<ETapiInvalBearerMode>},
    {ecTapiInvalCallComplMode, &Raise<ETapiInvalCallComplMode>},
    {ecTapiInvalCallHandle, &Raise<ETapiInvalCallHandle>},
    {ecTapiInvalCallParams, &Raise<ETapiInvalCallParams>},
    {ecTapiInvalCallPrivilege, &Raise<ETapiInvalCallPrivilege>},
    {ecTapiInvalCallSelect, &Raise<ETapiInvalCallSelect>},
    {ecTapiInvalCallState, &Raise<ETapiInvalCallState>},
    {ecTapiInvalCallStatelist, &Raise<ETapiInvalCallStatelist>},
    {ecTapiInvalCard, &Raise<ETapiInvalCard>},
    {ecTapiInvalCompletionID, &Raise<ETapiInvalCompletionID>},
    {ecTapiInvalConfCallHandle, &Raise<ETapiInvalConfCallHandle>},
    {ecTapiInvalConsultCallHandle, &Raise<ETapiInvalConsultCallHandle>},
    {ecTapiInvalCountryCode, &Raise<ETapiInvalCountryCode>},
    {ecTapiInvalDeviceClass, &Raise<ETapiInvalDeviceClass>},
    {ecTapiInvalDeviceHandle, &Raise<ETapiInvalDeviceHandle>},
    {ecTapiInvalDialParams, &Raise<ETapiInvalDialParams>},
    {ecTapiInvalDigitList, &Raise<ETapiInvalDigitList>},
    {ecTapiInvalDigitMode, &Raise<ETapiInvalDigitMode>},
    {ecTapiInvalDigits, &Raise<ETapiInvalDigits>},
    {ecTapiInvalExtVersion, &Raise<ETapiInvalExtVersion>},
    {ecTapiInvalGroupID, &Raise<ETapiInvalGroupID>},
    {ecTapiInvalLineHandle, &Raise<ETapiInvalLineHandle>},
    {ecTapiInvalLineState, &Raise<ETapiInvalLineState>},
    {ecTapiInvalLocation, &Raise<ETapiInvalLocation>},
    {ecTapiInvalMediaList, &Raise<ETapiInvalMediaList>},
    {ecTapiInvalMediaMode, &Raise<ETapiInvalMediaMode>},
    {ecTapiInvalMessageID, &Raise<ETapiInvalMessageID>},
    {ecTapiInvalParam, &Raise<ETapiInvalParam>},
    {ecTapiInvalParkID, &Raise<ETapiInvalParkID>},
    {ecTapiInvalParkMode, &Raise<ETapiInvalParkMode>},
    {ecTapiInvalPointer, &Raise<ETapiInvalPointer>},
    {ecTapiInvalPrivSelect, &Raise<ETapiInvalPrivSelect>},
    {ecTapiInvalRate, &Raise<ETapiInvalRate>},
    {ecTapiInvalRequestMode, &Raise<ETapiInvalRequestMode>},
    {ecTapiInvalTerminalID, &Raise<ETapiInvalTerminalID>},
    {ecTapiInvalTerminalMode, &Raise<ETapiInvalTerminalMode>},
    {ecTapiInvalTimeout, &Raise<ETapiInvalTimeout>},
    {ecTapiInvalTone, &Raise<ETapiInvalTone>},
    {ecTapiInvalToneList, &Raise<ETapiInvalToneList>},
    {ecTapiInvalToneMode, &Raise<ETapiInvalToneMode>},
    {ecTapiInvalTransferMode, &Raise<ETapiInvalTransferMode>},
    {ecTapiLineMapperFailed, &Raise<ETapiLineMapperFailed>},
    {ecTapiNoConference, &Raise<ETapiNoConference>},
    {ecTapiNoDevice, &Raise<ETapiNoDevice>},
    {ecTapiNoDriver, &Raise<ETapiNoDriver>},
    {ecTapiNoMem, &Raise<ETapiNoMem>},
    {ecTapiNoRequest, &Raise<ETapiNoRequest>},
    {ecTapiNotOwner, &Raise<ETapiNotOwner>},
    {ecTapiNotRegistered, &Raise<ETapiNotRegistered>},
    {ecTapiOperationFailed, &Raise<ETapiOperationFailed>},
    {ecTapiOperationUnavail, &Raise<ETapiOperationUnavail>},
    {ecTapiRateUnavail, &Raise<ETapiRateUnavail>},
    {ecTapiResourceUnavail, &Raise<ETapiResourceUnavail>},
    {ecTapiRequestOverrun, &Raise<ETapiRequestOverrun>},
    {ecTapiStructureTooSmall, &Raise<ETapiStructureTooSmall>},
    {ecTapiTargetNotFound, &Raise<ETapiTargetNotFound>},
    {ecTapiTargetSelf, &Raise<ETapiTargetSelf>},
    {ecTapiUninitialized, &Raise<ETapiUninitialized>},
    {ecTapiUserUserInfoTooBig, &Raise<ETapiUserUserInfoTooBig>},
    {ecTapiReinit, &Raise<ETapiReinit>},
    {ecTapiAddressBlocked, &Raise<ETapiAddressBlocked>},
    {ecTapiBillingRejected, &Raise<ETapiBillingRejected>},
    {ecTapiInvalFeature, &Raise<ETapiInvalFeature>},
    {ecTapiNoMultipleInstance, &Raise<ETapiNoMultipleInstance>},
    {ecTapiBusy, &Raise<ETapiBusy>},
    {ecTapiNotSet, &Raise<ETapiNotSet>},
    {ecTapiNoSelect, &Raise<ETapiNoSelect>},
    {ecTapiLoadFail, &Raise<ETapiLoadFail>},
    {ecTapiGetAddrFail, &Raise<ETapiGetAddrFail>},
    {ecTapi16Disabled, &Raise<ETapi16Disabled>},
    {ecTapiVoiceNotSupported, &Raise<ETapiVoiceNotSupported>},
    {ecTapiWaveFail, &Raise<ETapiWaveFail>},
    {ecTapiTranslateFail, &Raise<ETapiTranslateFail>},
    {ecRasLoadFail, &Raise<ERasLoadFail>},
};

static_assert(std::ranges::is_sorted(kClassOfCode, {}, &TClassOfCode::Code));

const TClassOfCode* FindClass(std::int32_t tableCode) {
    const auto* found = std::ranges::lower_bound(kClassOfCode, tableCode, {}, &TClassOfCode::Code);
    return found != std::end(kClassOfCode) && found->Code == tableCode ? found : nullptr;
}

bool IsInOutCode(std::int32_t code) {
    return (code <= -kFirstSystemCode && code >= -kLastSystemCode) || HostErrnoOf(code);
}

[[noreturn]] void RaiseError(std::int32_t code) {
    if (const TClassOfCode* entry = FindClass(-code)) {
        entry->RaiseClass(code);
    }
    if (code == -ecOutOfMemory) {
        throw std::bad_alloc();
    }
    if (IsInOutCode(code)) {
        throw EInOutError(-code, ErrorText(code));
    }
    throw EVexaException("Vexa exception");
}

}  // namespace

std::int32_t RaiseOnError(TLoadState state, std::int32_t code) {
    if (code >= 0 || state == lsLoading) {
        return code;
    }
    RaiseError(code);
}

}  // namespace norvane::serial
