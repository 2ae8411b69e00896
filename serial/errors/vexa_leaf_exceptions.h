#pragma once
// The leaf exception classes of the serial layer, except the telephony ones
// (tapi_exceptions.h). RaiseOnError picks the class from the result code; the codes are
// in error_codes.h, the messages in the error string table.

#include "serial/errors/error_codes.h"
#include "serial/errors/vexa_exception.h"

namespace norvane::serial {

// General errors. EInternal is also raised for the database codes 7003, 7006 and 7012.
using EBadArgument = EVexaLeaf<EGeneral, ecBadArgument>;
using EGotQuitMsg = EVexaLeaf<EGeneral, ecGotQuitMsg>;
using EBufferTooBig = EVexaLeaf<EGeneral, ecBufferTooBig>;
using EPortNotAssigned = EVexaLeaf<EGeneral, ecPortNotAssigned>;
using EInternal = EVexaLeaf<EGeneral, ecInternal>;
using EModemNotAssigned = EVexaLeaf<EGeneral, ecModemNotAssigned>;
using EPhonebookNotAssigned = EVexaLeaf<EGeneral, ecPhonebookNotAssigned>;
using ECannotUseWithWinSock = EVexaLeaf<EGeneral, ecCannotUseWithWinSock>;

// Port opening errors.
using EBadId = EVexaLeaf<EOpenComm, ecBadId>;
using EBaudRate = EVexaLeaf<EOpenComm, ecBaudRate>;
using EByteSize = EVexaLeaf<EOpenComm, ecByteSize>;
using EDefault = EVexaLeaf<EOpenComm, ecDefault>;
using EHardware = EVexaLeaf<EOpenComm, ecHardware>;
using EMemory = EVexaLeaf<EOpenComm, ecMemory>;
using ECommNotOpen = EVexaLeaf<EOpenComm, ecCommNotOpen>;
using EAlreadyOpen = EVexaLeaf<EOpenComm, ecAlreadyOpen>;
using ENoHandles = EVexaLeaf<EOpenComm, ecNoHandles>;
using ENoTimers = EVexaLeaf<EOpenComm, ecNoTimers>;
using ENoPortSelected = EVexaLeaf<EOpenComm, ecNoPortSelected>;
using ENotOpenedByTapi = EVexaLeaf<EOpenComm, ecNotOpenedByTapi>;

// Serial input/output errors.
using ENullApi = EVexaLeaf<ESerialIO, ecNullApi>;
using ERegisterHandlerFailed = EVexaLeaf<ESerialIO, ecRegisterHandlerFailed>;
using EPutBlockFail = EVexaLeaf<ESerialIO, ecPutBlockFail>;
using EGetBlockFail = EVexaLeaf<ESerialIO, ecGetBlockFail>;
using EOutputBufferTooSmall = EVexaLeaf<ESerialIO, ecOutputBufferTooSmall>;
using EBufferIsEmpty = EVexaLeaf<ESerialIO, ecBufferIsEmpty>;
using ETracingNotEnabled = EVexaLeaf<ESerialIO, ecTracingNotEnabled>;
using ELoggingNotEnabled = EVexaLeaf<ESerialIO, ecLoggingNotEnabled>;
using EBaseAddressNotSet = EVexaLeaf<ESerialIO, ecBaseAddressNotSet>;

// Modem errors.
using EModemNotStarted = EVexaLeaf<EModem, ecModemNotStarted>;
using EModemBusy = EVexaLeaf<EModem, ecModemBusy>;
using EModemNotDialing = EVexaLeaf<EModem, ecModemNotDialing>;
using ENotDialing = EVexaLeaf<EModem, ecNotDialing>;
using EAlreadyDialing = EVexaLeaf<EModem, ecAlreadyDialing>;
using EModemNotResponding = EVexaLeaf<EModem, ecModemNotResponding>;
using EModemRejectedCommand = EVexaLeaf<EModem, ecModemRejectedCommand>;
using EModemStatusMismatch = EVexaLeaf<EModem, ecModemStatusMismatch>;

// Trigger errors.
using ETriggerTooLong = EVexaLeaf<ETrigger, ecTriggerTooLong>;
using EBadTriggerHandle = EVexaLeaf<ETrigger, ecBadTriggerHandle>;

// Settings-database errors.
using EKeyTooLong = EVexaLeaf<EINI, ecKeyTooLong>;
using EDataTooLarge = EVexaLeaf<EINI, ecDataTooLarge>;
using EIniWrite = EVexaLeaf<EINI, ecIniWrite>;
using EIniRead = EVexaLeaf<EINI, ecIniRead>;
using ERecordExists = EVexaLeaf<EINI, ecRecordExists>;
using ERecordNotFound = EVexaLeaf<EINI, ecRecordNotFound>;
using EDatabaseFull = EVexaLeaf<EINI, ecDatabaseFull>;
using EDatabaseEmpty = EVexaLeaf<EINI, ecDatabaseEmpty>;
using EBadFieldList = EVexaLeaf<EINI, ecBadFieldList>;
using EBadFieldForIndex = EVexaLeaf<EINI, ecBadFieldForIndex>;

// Fax errors.
using EFaxBadFormat = EVexaLeaf<EFax, ecFaxBadFormat>;
using EBadGraphicsFormat = EVexaLeaf<EFax, ecBadGraphicsFormat>;
using EConvertAbort = EVexaLeaf<EFax, ecConvertAbort>;
using EUnpackAbort = EVexaLeaf<EFax, ecUnpackAbort>;
using ECantMakeBitmap = EVexaLeaf<EFax, ecCantMakeBitmap>;
using EInvalidPageNumber = EVexaLeaf<EFax, ecInvalidPageNumber>;
using EFaxBadMachine = EVexaLeaf<EFax, ecFaxBadMachine>;
using EFaxBadModemResult = EVexaLeaf<EFax, ecFaxBadModemResult>;
using EFaxTrainError = EVexaLeaf<EFax, ecFaxTrainError>;
using EFaxInitError = EVexaLeaf<EFax, ecFaxInitError>;
using EFaxBusy = EVexaLeaf<EFax, ecFaxBusy>;
using EFaxVoiceCall = EVexaLeaf<EFax, ecFaxVoiceCall>;
using EFaxDataCall = EVexaLeaf<EFax, ecFaxDataCall>;
using EFaxNoDialTone = EVexaLeaf<EFax, ecFaxNoDialTone>;
using EFaxNoCarrier = EVexaLeaf<EFax, ecFaxNoCarrier>;
using EFaxSessionError = EVexaLeaf<EFax, ecFaxSessionError>;
using EFaxPageError = EVexaLeaf<EFax, ecFaxPageError>;

// Remote-access errors.
using ERasLoadFail = EVexaLeaf<ERas, ecRasLoadFail>;

}  // namespace norvane::serial
