#include <gtest/gtest.h>

#include <cerrno>
#include <new>
#include <string>
#include <typeinfo>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/error_text.h"
#include "serial/errors/in_out_error.h"
#include "serial/errors/raise_on_error.h"
#include "serial/errors/tapi_exceptions.h"
#include "serial/errors/vexa_leaf_exceptions.h"

namespace norvane::serial {
namespace {

// Runs RaiseOnError and hands back what it raised as E; fails the test otherwise.
template <typename E>
E Raised(std::int32_t code) {
    try {
        RaiseOnError(lsReady, code);
    } catch (const E& error) {
        return error;
    } catch (const std::exception& other) {
        ADD_FAILURE() << code << " raised " << typeid(other).name() << ": " << other.what();
        throw;
    }
    ADD_FAILURE() << code << " returned";
    throw std::logic_error("no exception");
}

template <typename Leaf, typename Group>
void ExpectClass(std::int32_t code) {
    SCOPED_TRACE(code);
    const Leaf error = Raised<Leaf>(code);
    EXPECT_EQ(typeid(error), typeid(Leaf));
    EXPECT_NE(dynamic_cast<const Group*>(&error), nullptr);
    EXPECT_EQ(error.ErrorCode(), code);
    EXPECT_EQ(error.what(), ErrorText(code));
}

TEST(RaiseOnErrorTest, PassesOnSuccessAndInformativeResults) {
    EXPECT_EQ(RaiseOnError(lsReady, 0), 0);
    EXPECT_EQ(RaiseOnError(lsReady, 1), 1);
    EXPECT_EQ(RaiseOnError(lsReady, 0x7FFFFFFF), 0x7FFFFFFF);
}

TEST(RaiseOnErrorTest, PassesOnErrorsWhileTheComponentLoads) {
    for (const std::int32_t code : {-1, -2, -8, -2001, -5001, -32768}) {
        EXPECT_EQ(RaiseOnError(lsLoading, code), code);
    }
    struct TLoadingComponent {
        bool IsLoading() const { return Loading; }
        bool Loading;
    };
    EXPECT_EQ(RaiseOnError(TLoadingComponent{true}, -2001), -2001);
    EXPECT_THROW(RaiseOnError(TLoadingComponent{false}, -2001), EBadId);
}

TEST(RaiseOnErrorTest, BadIdCarriesItsCodeAndText) {
    const EBadId error = Raised<EBadId>(-2001);
    EXPECT_EQ(error.ErrorCode(), -2001);
    EXPECT_STREQ(error.what(), "ie_BadId - Specified comport doesn't exist");
}

TEST(RaiseOnErrorTest, RaisesTheLeafClassInItsGroup) {
    ExpectClass<EBadArgument, EGeneral>(-1002);
    ExpectClass<ECannotUseWithWinSock, EGeneral>(-1009);
    ExpectClass<EAlreadyOpen, EOpenComm>(-2008);
    ExpectClass<ENotOpenedByTapi, EOpenComm>(-2012);
    ExpectClass<ENullApi, ESerialIO>(-3001);
    ExpectClass<EBufferIsEmpty, ESerialIO>(-3007);
    ExpectClass<EModemNotStarted, EModem>(-4001);
    ExpectClass<EModemStatusMismatch, EModem>(-4008);
    ExpectClass<ETriggerTooLong, ETrigger>(-5002);
    ExpectClass<EBadTriggerHandle, ETrigger>(-5003);
    ExpectClass<EKeyTooLong, EINI>(-7001);
    ExpectClass<EBadFieldForIndex, EINI>(-7014);
    ExpectClass<EFaxBadFormat, EFax>(-8001);
    ExpectClass<EInvalidPageNumber, EFax>(-8053);
    ExpectClass<EFaxPageError, EFax>(-8070);
    ExpectClass<ETapiAllocated, ETapi>(-13801);
    ExpectClass<ETapiNoMultipleInstance, ETapi>(-13886);
    ExpectClass<ETapiTranslateFail, ETapi>(-13942);
    ExpectClass<ERasLoadFail, ERas>(-13980);
}

TEST(RaiseOnErrorTest, SharedClassesAreRaisedForAllTheirCodes) {
    for (const std::int32_t code : {-1006, -7003, -7006, -7012}) {
        ExpectClass<EInternal, EGeneral>(code);
    }
    EXPECT_STREQ(Raised<EInternal>(-7003).what(), "No fields defined in database");
    for (const std::int32_t code : {-6006, -6008, -6009}) {
        ExpectClass<EProtocol, EVexaException>(code);
    }
}

TEST(RaiseOnErrorTest, CodesWithTextButNoClassGiveThePlainException) {
    for (const std::int32_t code : {-5001, -1001, -3002, -6001, -1, -163, -15501, -32768}) {
        SCOPED_TRACE(code);
        const EVexaException error = Raised<EVexaException>(code);
        EXPECT_EQ(typeid(error), typeid(EVexaException));
        EXPECT_EQ(error.ErrorCode(), 0);
        EXPECT_STREQ(error.what(), "Vexa exception");
    }
}

TEST(RaiseOnErrorTest, SystemCodesBecomeInOutErrors) {
    const EInOutError notFound = Raised<EInOutError>(-2);
    EXPECT_EQ(notFound.ErrorCode(), 2);
    EXPECT_STREQ(notFound.what(), "File not found");

    const EInOutError generalFailure = Raised<EInOutError>(-162);
    EXPECT_EQ(generalFailure.ErrorCode(), 162);
    EXPECT_STREQ(generalFailure.what(), "General failure");

    // In the range but without a text of its own: still an input/output failure.
    EXPECT_EQ(Raised<EInOutError>(-87).ErrorCode(), 87);
}

TEST(RaiseOnErrorTest, UnmappedErrnoReachesTheUserWithTheHostsText) {
    const std::int32_t code = ResultFromErrno(EINVAL);
    const EInOutError error = Raised<EInOutError>(code);
    EXPECT_EQ(error.ErrorCode(), -code);
    EXPECT_EQ(error.what(), HostErrorText(EINVAL));
}

TEST(RaiseOnErrorTest, OutOfMemoryIsTheStandardException) {
    EXPECT_THROW(RaiseOnError(lsReady, -8), std::bad_alloc);
    EXPECT_THROW(RaiseOnError(lsReady, ResultFromErrno(ENOMEM)), std::bad_alloc);
}

// Sweeps every code the table can name: each one with a class must raise it with its own
// code and text, and only the known number of codes may have a class.
TEST(RaiseOnErrorTest, EveryTableCodeRaisesAccordingToItsKind) {
    int withClass = 0;
    for (std::int32_t code = -1; code >= -15742; --code) {
        try {
            RaiseOnError(lsReady, code);
            ADD_FAILURE() << code << " returned";
        } catch (const EVexaException& error) {
            if (error.ErrorCode() != 0) {
                ++withClass;
                EXPECT_EQ(error.ErrorCode(), code);
                EXPECT_EQ(error.what(), ErrorText(code));
                EXPECT_FALSE(ErrorText(code).empty()) << code;
            }
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.ErrorCode(), -code);
            EXPECT_LE(-code, 162);
        } catch (const std::bad_alloc&) {
            EXPECT_EQ(code, -8);
        }
    }
    EXPECT_EQ(withClass, 166);
}

}  // namespace
}  // namespace norvane::serial
