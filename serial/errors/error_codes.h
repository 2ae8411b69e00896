#pragma once
// Codes of the serial layer's result convention and of its error string table.
//
// A result code is a 32-bit signed integer: 0 is success, a positive value is an
// informative result (a trigger handle, or 1 when a line is left to flow control), and a
// negative value is an error whose magnitude is one of the codes below. Operating-system
// failures arrive negated as well: the file and device codes 2 to 162 keep the original
// platform's numbering (errno values are translated to it in errno_mapping.h), and errno
// values without an equivalent travel in their own range, also defined there.
//
// Every code here has a text in "VEXA_ERROR_STRINGS_ENGLISH"; ErrorText() finds it. The
// label ranges at the end are texts the trace and log dumps print, not errors.

#include <cstdint>

namespace norvane::serial {

enum TErrorCode : std::int32_t {
    ecOk = 0,

    // File and device input/output errors, in the original platform's numbering.
    ecFileNotFound = 2,
    ecPathNotFound = 3,
    ecTooManyOpenFiles = 4,
    ecAccessDenied = 5,
    ecInvalidFileHandle = 6,
    ecOutOfMemory = 8,
    ecInvalidDrive = 15,
    ecNoMoreFiles = 18,
    ecReadBeyondEndOfFile = 100,
    ecDiskFull = 101,
    ecFileNotAssigned = 102,
    ecFileNotOpen = 103,
    ecFileNotOpenForInput = 104,
    ecFileNotOpenForOutput = 105,
    ecWriteProtected = 150,
    ecUnknownUnit = 151,
    ecDriveNotReady = 152,
    ecUnknownCommand = 153,
    ecDataError = 154,
    ecBadRequestLength = 155,
    ecSeekError = 156,
    ecUnknownMediaType = 157,
    ecSectorNotFound = 158,
    ecOutOfPaper = 159,
    ecDeviceWriteError = 160,
    ecDeviceReadError = 161,
    ecGeneralFailure = 162,

    // General errors.
    ecBadHandle = 1001,
    ecBadArgument = 1002,
    ecGotQuitMsg = 1003,
    ecBufferTooBig = 1004,
    ecPortNotAssigned = 1005,
    ecInternal = 1006,
    ecModemNotAssigned = 1007,
    ecPhonebookNotAssigned = 1008,
    ecCannotUseWithWinSock = 1009,

    // Port opening errors.
    ecBadId = 2001,
    ecBaudRate = 2002,
    ecByteSize = 2003,
    ecDefault = 2004,
    ecHardware = 2005,
    ecMemory = 2006,
    ecCommNotOpen = 2007,
    ecAlreadyOpen = 2008,
    ecNoHandles = 2009,
    ecNoTimers = 2010,
    ecNoPortSelected = 2011,
    ecNotOpenedByTapi = 2012,

    // Serial input/output errors.
    ecNullApi = 3001,
    ecNotSupported = 3002,
    ecRegisterHandlerFailed = 3003,
    ecPutBlockFail = 3004,
    ecGetBlockFail = 3005,
    ecOutputBufferTooSmall = 3006,
    ecBufferIsEmpty = 3007,
    ecTracingNotEnabled = 3008,
    ecLoggingNotEnabled = 3009,
    ecBaseAddressNotSet = 3010,

    // Modem errors.
    ecModemNotStarted = 4001,
    ecModemBusy = 4002,
    ecModemNotDialing = 4003,
    ecNotDialing = 4004,
    ecAlreadyDialing = 4005,
    ecModemNotResponding = 4006,
    ecModemRejectedCommand = 4007,
    ecModemStatusMismatch = 4008,

    // Trigger errors.
    ecNoMoreTriggers = 5001,
    ecTriggerTooLong = 5002,
    ecBadTriggerHandle = 5003,

    // Data packet definition errors.
    ecPacketNoStartOrSize = 5501,
    ecPacketEndTooLong = 5502,
    ecPacketStartTooLong = 5503,
    ecPacketSizeOutOfRange = 5504,
    ecPacketTimeoutOutOfRange = 5505,
    ecPacketNotAttached = 5506,

    // File-transfer protocol errors.
    ecProtocolCancelled = 6001,
    ecProtocolTimeout = 6002,
    ecProtocolTooManyErrors = 6003,
    ecProtocolSequenceError = 6004,
    ecProtocolFileNotFound = 6005,
    ecProtocolFileExists = 6006,
    ecProtocolNoDiskSpace = 6007,
    ecProtocolFileRefused = 6008,
    ecProtocolBadSettings = 6009,
    ecProtocolBadHeader = 6010,
    ecProtocolBlockTooLarge = 6011,
    ecProtocolOptionUnsupported = 6012,
    ecProtocolNoFileName = 6013,
    ecProtocolBusy = 6014,
    ecProtocolCannotOpenFile = 6015,
    ecProtocolCannotWriteFile = 6016,

    // Settings-database errors.
    ecKeyTooLong = 7001,
    ecDataTooLarge = 7002,
    ecNoFieldsDefined = 7003,
    ecIniWrite = 7004,
    ecIniRead = 7005,
    ecDatabaseDamaged = 7006,
    ecRecordExists = 7007,
    ecRecordNotFound = 7008,
    ecBadRecordKey = 7009,
    ecDatabaseFull = 7010,
    ecDatabaseEmpty = 7011,
    ecFieldListDamaged = 7012,
    ecBadFieldList = 7013,
    ecBadFieldForIndex = 7014,

    // Fax conversion errors.
    ecFaxBadFormat = 8001,
    ecBadGraphicsFormat = 8002,
    ecConvertAbort = 8003,
    ecUnpackAbort = 8004,
    ecCantMakeBitmap = 8005,

    // Fax viewer errors.
    ecViewerNoDocument = 8050,
    ecViewerCannotOpen = 8051,
    ecViewerDocumentDamaged = 8052,
    ecInvalidPageNumber = 8053,
    ecViewerCannotDisplay = 8054,
    ecViewerNoMemory = 8055,

    // Fax call errors.
    ecFaxBadMachine = 8060,
    ecFaxBadModemResult = 8061,
    ecFaxTrainError = 8062,
    ecFaxInitError = 8063,
    ecFaxBusy = 8064,
    ecFaxVoiceCall = 8065,
    ecFaxDataCall = 8066,
    ecFaxNoDialTone = 8067,
    ecFaxNoCarrier = 8068,
    ecFaxSessionError = 8069,
    ecFaxPageError = 8070,
    ecFaxRemoteHungUp = 8071,
    ecFaxNoAnswer = 8072,
    ecFaxNotSupported = 8073,
    ecFaxTimeout = 8074,
    ecFaxCancelled = 8075,

    // Fax printer driver errors.
    ecFaxPrinterNotInstalled = 8080,
    ecFaxPrinterCannotCreate = 8081,
    ecFaxPrinterCannotWrite = 8082,
    ecFaxPrinterBadResolution = 8083,
    ecFaxPrinterBadPaperSize = 8084,
    ecFaxPrinterCancelled = 8085,
    ecFaxPrinterNoMemory = 8086,
    ecFaxPrinterNoPages = 8087,
    ecFaxPrinterCannotStart = 8088,
    ecFaxPrinterCannotEnd = 8089,
    ecFaxPrinterNoFileName = 8090,
    ecFaxPrinterNotFound = 8091,
    ecFaxPrinterInternal = 8092,

    // Network socket layer errors.
    ecNetNotAvailable = 9001,
    ecNetVersion = 9002,
    ecNetHostUnresolved = 9003,
    ecNetCannotCreateSocket = 9004,
    ecNetConnectFailed = 9005,
    ecNetNotConnected = 9006,
    ecNetListenFailed = 9007,

    // Telephony errors.
    ecTapiAllocated = 13801,
    ecTapiBadDeviceID = 13802,
    ecTapiBearerModeUnavail = 13803,
    ecTapiCallUnavail = 13805,
    ecTapiCompletionOverrun = 13806,
    ecTapiConferenceFull = 13807,
    ecTapiDialBilling = 13808,
    ecTapiDialDialtone = 13809,
    ecTapiDialPrompt = 13810,
    ecTapiDialQuiet = 13811,
    ecTapiIncompatibleApiVersion = 13812,
    ecTapiIncompatibleExtVersion = 13813,
    ecTapiIniFileCorrupt = 13814,
    ecTapiInUse = 13815,
    ecTapiInvalAddress = 13816,
    ecTapiInvalAddressID = 13817,
    ecTapiInvalAddressMode = 13818,
    ecTapiInvalAddressState = 13819,
    ecTapiInvalAppHandle = 13820,
    ecTapiInvalAppName = 13821,
    ecTapiInvalBearerMode = 13822,
    ecTapiInvalCallComplMode = 13823,
    ecTapiInvalCallHandle = 13824,
    ecTapiInvalCallParams = 13825,
    ecTapiInvalCallPrivilege = 13826,
    ecTapiInvalCallSelect = 13827,
    ecTapiInvalCallState = 13828,
    ecTapiInvalCallStatelist = 13829,
    ecTapiInvalCard = 13830,
    ecTapiInvalCompletionID = 13831,
    ecTapiInvalConfCallHandle = 13832,
    ecTapiInvalConsultCallHandle = 13833,
    ecTapiInvalCountryCode = 13834,
    ecTapiInvalDeviceClass = 13835,
    ecTapiInvalDeviceHandle = 13836,
    ecTapiInvalDialParams = 13837,
    ecTapiInvalDigitList = 13838,
    ecTapiInvalDigitMode = 13839,
    ecTapiInvalDigits = 13840,
    ecTapiInvalExtVersion = 13841,
    ecTapiInvalGroupID = 13842,
    ecTapiInvalLineHandle = 13843,
    ecTapiInvalLineState = 13844,
    ecTapiInvalLocation = 13845,
    ecTapiInvalMediaList = 13846,
    ecTapiInvalMediaMode = 13847,
    ecTapiInvalMessageID = 13848,
    ecTapiInvalParam = 13850,
    ecTapiInvalParkID = 13851,
    ecTapiInvalParkMode = 13852,
    ecTapiInvalPointer = 13853,
    ecTapiInvalPrivSelect = 13854,
    ecTapiInvalRate = 13855,
    ecTapiInvalRequestMode = 13856,
    ecTapiInvalTerminalID = 13857,
    ecTapiInvalTerminalMode = 13858,
    ecTapiInvalTimeout = 13859,
    ecTapiInvalTone = 13860,
    ecTapiInvalToneList = 13861,
    ecTapiInvalToneMode = 13862,
    ecTapiInvalTransferMode = 13863,
    ecTapiLineMapperFailed = 13864,
    ecTapiNoConference = 13865,
    ecTapiNoDevice = 13866,
    ecTapiNoDriver = 13867,
    ecTapiNoMem = 13868,
    ecTapiNoRequest = 13869,
    ecTapiNotOwner = 13870,
    ecTapiNotRegistered = 13871,
    ecTapiOperationFailed = 13872,
    ecTapiOperationUnavail = 13873,
    ecTapiRateUnavail = 13874,
    ecTapiResourceUnavail = 13875,
    ecTapiRequestOverrun = 13876,
    ecTapiStructureTooSmall = 13877,
    ecTapiTargetNotFound = 13878,
    ecTapiTargetSelf = 13879,
    ecTapiUninitialized = 13880,
    ecTapiUserUserInfoTooBig = 13881,
    ecTapiReinit = 13882,
    ecTapiAddressBlocked = 13883,
    ecTapiBillingRejected = 13884,
    ecTapiInvalFeature = 13885,
    ecTapiNoMultipleInstance = 13886,
    ecTapiBusy = 13928,
    ecTapiNotSet = 13929,
    ecTapiNoSelect = 13930,
    ecTapiLoadFail = 13931,
    ecTapiGetAddrFail = 13932,
    ecTapi16Disabled = 13933,
    ecTapiBadDeviceClass = 13934,
    ecTapiVoiceNotSupported = 13935,
    ecTapiWaveFail = 13936,
    ecTapiNoCallerNumber = 13937,
    ecTapiNoToneDetection = 13938,
    ecTapiNoWaveDevice = 13939,
    ecTapiCallNotConnected = 13940,
    ecTapiCannotOpenWave = 13941,
    ecTapiTranslateFail = 13942,
    ecTapiWaveFormat = 13943,
    ecTapiRecordFailed = 13944,
    ecTapiPlayFailed = 13945,

    // Remote-access errors.
    ecRasLoadFail = 13980,
};

// The span of platform file and device codes; RaiseOnError reports any code in it as an
// input/output failure, whether or not the table has a text for it.
constexpr std::int32_t kFirstSystemCode = 2;
constexpr std::int32_t kLastSystemCode = 162;

// Label ranges of the table: first and last code of each.
enum TLabelCode : std::int32_t {
    ecPhonebookDeleteQuestion = 4101,
    ecModemStateFirst = 4201,
    ecModemStateLast = 4213,
    ecDialerMessageFirst = 4301,
    ecDialerMessageLast = 4312,
    ecPhonebookCheckFirst = 4401,
    ecPhonebookCheckLast = 4403,
    ecRemoteAccessStateFirst = 4500,
    ecRemoteAccessStateLast = 4599,
    ecPagerStateFirst = 4600,
    ecPagerStateLast = 4671,
    ecTransferStatusFirst = 4700,
    ecTransferStatusLast = 4723,
    ecFaxStatusFirst = 4801,
    ecFaxStatusLast = 4843,
    ecTapiStatusFirst = 13501,
    ecTapiStatusLast = 13670,

    // Socket errors are 10000 plus the socket layer's own number (10004 to 11004).
    ecSocketErrorBase = 10000,

    // Dispatch log dump: entry kind k is named by ecLogKindBase + k (k = 0 to 19), sub-kind
    // s (1 to 19) by ecLogSubKindBase + s; the protocol and port state names follow.
    ecLogKindBase = 15001,
    ecLogSubKindBase = 15100,
    ecLogStateFirst = 15120,
    ecLogStateLast = 15351,
    ecLogHeading = 15501,
    ecLogHeadingRule = 15502,

    // Modem status bit b (0 to 7) is named by ecModemStatusNameBase + b.
    ecModemStatusNameBase = 15601,

    // Telnet option n (0 to 42) is named by ecTelnetOptionBase + n.
    ecTelnetOptionBase = 15700,
};

}  // namespace norvane::serial
