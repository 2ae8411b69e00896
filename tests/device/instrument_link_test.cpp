#include "device/instrument_link.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_event_loop.h"
#include "scripted_port.h"

namespace norvane::device {
namespace {

using testing::TFakeEventLoop;
using testing::TScriptedPort;
using testing::TScriptedReply;

class InstrumentLinkTest : public ::testing::Test {
  protected:
    InstrumentLinkTest() {
        Port.Connect(Link);
        Loop.SetTimerHandler([this] { Link.TimeOutTimerTimer(); });
        Link.AddLineTrigger();
    }

    // The instrument answers the next command with `bytes`.
    void AnswerWith(std::string bytes, std::int64_t delayMs = 0) {
        Port.SetResponder([bytes, delayMs](const std::string&) {
            return TScriptedReply{bytes, delayMs};
        });
    }
    void Silence() {
        Port.SetResponder([](const std::string&) { return std::nullopt; });
    }

    TFakeEventLoop Loop;
    TScriptedPort Port{Loop};
    TInstrumentLink Link{Port, Loop};
};

// ---- classification ---------------------------------------------------------------------

struct ClassifyCase {
    const char* line;
    std::int32_t status;
};

class ClassifyReplyTest : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyReplyTest, LineMapsToStatus) {
    EXPECT_EQ(StatusOfReplyLine(GetParam().line), GetParam().status) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    EveryRowAndItsNeighbours, ClassifyReplyTest,
    ::testing::Values(
        ClassifyCase{"*", rsOk}, ClassifyCase{"*5,TC-K", rsOk},
        ClassifyCase{"*@ERROR bad value", rsOk}, ClassifyCase{"#garbled", rsUnexpectedReply},
        ClassifyCase{"", rsUnexpectedReply}, ClassifyCase{" @ERROR bad value", rsUnexpectedReply},
        ClassifyCase{"@ERROR cell not available", rsCellNotAvailable},
        ClassifyCase{"@ERROR invalid guage type", rsInvalidGaugeType},
        ClassifyCase{"@ERROR invalid gauge type", rsDeviceError},  // only the instrument's spelling
        ClassifyCase{"@ERROR cell ID missing", rsCellIdMissing},
        ClassifyCase{"@ERROR invalid value", rsInvalidValue},
        ClassifyCase{"@ERROR bad value", rsBadValue},
        ClassifyCase{"@ERROR missing gauge ID", rsMissingGaugeId},
        ClassifyCase{"@ERROR too many digits", rsTooManyDigits},
        ClassifyCase{"@error bad value", rsDeviceError},            // case-sensitive
        ClassifyCase{"@ERROR cell not available ", rsDeviceError},  // trailing blank
        ClassifyCase{"@ERROR=14", rsCellNotAvailable},
        ClassifyCase{"@ERROR=18", rsCellNotAvailable},
        ClassifyCase{"@ERROR=15", rsReadOnlyVariable}, ClassifyCase{"@ERROR=16", rsSyntaxError},
        ClassifyCase{"@ERROR=17", rsDeviceNumberOutOfRange},
        ClassifyCase{"@ERROR=19", rsCommandNotImplemented},
        ClassifyCase{"@ERROR=20", rsDeviceError}, ClassifyCase{"@ERROR=16 more", rsDeviceError},
        ClassifyCase{"@=16=17", rsDeviceError},  // only the first '=' counts
        ClassifyCase{"@ERROR=", rsDeviceError},
        ClassifyCase{"@16", rsDeviceError},  // without '=' the line itself matches nothing
        ClassifyCase{"@", rsDeviceError}));

TEST_F(InstrumentLinkTest, ReplyValueIsAtMostThirtyCharactersAfterTheFirst) {
    const std::string forty = "0123456789012345678901234567890123456789";
    AnswerWith("*" + forty + "\r\n");
    Link.SendCommand("?B1/7\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsOk);
    EXPECT_EQ(Link.ReplyValue(), forty.substr(0, 30));

    AnswerWith("*\r\n");
    Link.SendCommand("?B1/8\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsOk);
    EXPECT_EQ(Link.ReplyValue(), "");
}

// ---- one exchange -----------------------------------------------------------------------

TEST_F(InstrumentLinkTest, SendsTheCommandAsOneStringAndStopsTheTimer) {
    AnswerWith("*5,TC-K\r\n");
    Link.SendCommand("?B1/5\r\n");
    ASSERT_EQ(Port.Commands(), std::vector<std::string>{"?B1/5\r\n"});
    EXPECT_EQ(Link.ReplyStatus(), rsOk);
    EXPECT_EQ(Link.ReplyValue(), "5,TC-K");
    EXPECT_EQ(Link.ReplyBuffer(), "");
    EXPECT_FALSE(Loop.TimerRunning());
    EXPECT_EQ(Port.UnreadCount(), 0u) << "the line feed is taken and dropped too";
}

TEST_F(InstrumentLinkTest, CarriageReturnsAnywhereNeverReachTheLine) {
    AnswerWith("\r*5,\rTC-K\r\r\n\r");
    Link.SendCommand("?B1/5\r\n");
    EXPECT_EQ(Link.ReplyValue(), "5,TC-K");
    // The CR after the previous line's LF must not prefix the next line either.
    AnswerWith("*6\r\n");
    Link.SendCommand("?B1/6\r\n");
    EXPECT_EQ(Link.ReplyValue(), "6");
}

TEST_F(InstrumentLinkTest, ReplyInFragmentsIsOneLine) {
    Silence();
    Port.Arrive("*12", 10);
    Port.Arrive("34", 20);
    Port.Arrive("5\r", 30);
    Port.Arrive("\n", 40);
    Link.SendCommand("?B1/1\r\n");
    EXPECT_EQ(Link.ReplyValue(), "12345");
}

TEST_F(InstrumentLinkTest, CharactersBeforeTheCommandPrefixItsReply) {
    Port.Arrive("xy");
    Loop.PumpEvents();
    AnswerWith("*z\r\n");
    Link.SendCommand("?B1/1\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsUnexpectedReply);
    EXPECT_EQ(Link.ReplyValue(), "y*z");
}

TEST_F(InstrumentLinkTest, TwoLinesInOneReadSettleInOrderTheLastDecides) {
    AnswerWith("@ERROR bad value\r\n*9\r\n");
    Link.SendCommand("?B1/9\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsOk);
    EXPECT_EQ(Link.ReplyValue(), "9");
}

TEST_F(InstrumentLinkTest, EveryLineIsClassifiedOnceWhateverTheNumberOfLineTriggers) {
    Link.AddLineTrigger();
    Link.AddLineTrigger();  // three triggers now; only the last one's handle counts
    EXPECT_EQ(Link.LineTriggerHandle(), 24);
    AnswerWith("*first\r\n");
    Link.SendCommand("?B1/1\r\n");
    EXPECT_EQ(Link.ReplyValue(), "first");
    EXPECT_EQ(Link.ReplyBuffer(), "");
}

TEST_F(InstrumentLinkTest, ForeignTriggerHandleLeavesTheBufferAlone) {
    Port.Arrive("*abc");
    Loop.PumpEvents();
    Link.ComPortTriggerData(Port, static_cast<std::uint16_t>(Link.LineTriggerHandle() + 8));
    EXPECT_EQ(Link.ReplyBuffer(), "*abc");
    EXPECT_EQ(Link.ReplyStatus(), rsWaiting);
}

// A line that never ends must not grow the buffer without limit; what is kept still decides
// the value, and an overlong '@' line cannot pass for a numbered error by where it was cut.
TEST_F(InstrumentLinkTest, RunawayLineIsBoundedAndStillClassified) {
    const std::size_t limit = TInstrumentLink::kReplyBufferLimit;
    Port.Arrive("*" + std::string(3 * limit, 'v'));
    Loop.PumpEvents();
    EXPECT_EQ(Link.ReplyBuffer().size(), limit);
    AnswerWith("\r\n");
    Link.SendCommand("?B1/1\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsOk);
    EXPECT_EQ(Link.ReplyValue(), std::string(30, 'v'));

    AnswerWith("@" + std::string(limit - 4, 'x') + "=14" + "tail\r\n");
    Link.SendCommand("?B1/2\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsDeviceError);

    // Exactly at the limit nothing is dropped.
    AnswerWith("@" + std::string(limit - 4, 'x') + "=14\r\n");
    Link.SendCommand("?B1/3\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsCellNotAvailable);
}

// ---- time-out and abort -----------------------------------------------------------------

TEST_F(InstrumentLinkTest, NoAnswerTimesOutAfterTwoSecondsAndKeepsTheLastValue) {
    AnswerWith("*kept\r\n");
    Link.SendCommand("?B1/1\r\n");
    Silence();
    Port.Arrive("*half a li");  // no line feed: discarded by the time-out
    Link.SendCommand("?B1/2\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsNoConnection);
    EXPECT_EQ(Loop.Now(), 2000);
    EXPECT_EQ(Link.ReplyValue(), "kept");
    EXPECT_EQ(Link.ReplyBuffer(), "");
    EXPECT_FALSE(Loop.TimerRunning());
}

TEST_F(InstrumentLinkTest, ReplyJustAfterTheTimeOutIsStillClassifiedLater) {
    AnswerWith("*late\r\n", 2001);
    Link.SendCommand("?B1/3\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsNoConnection);
    Loop.PumpEvents();  // the late line arrives with no command outstanding
    EXPECT_EQ(Link.ReplyStatus(), rsOk);
    EXPECT_EQ(Link.ReplyValue(), "late");
}

TEST_F(InstrumentLinkTest, LateReplyIsNotTakenForTheNextCommandsReply) {
    // The line clear is answered 1 ms after its time-out; the probe goes out meanwhile.
    Port.SetResponder([](const std::string& command) {
        return command == "\r\n" ? TScriptedReply{"*\r\n", 2001}
                                 : TScriptedReply{"*1,probe\r\n", 0};
    });
    Link.SendCommand("\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsNoConnection);
    EXPECT_TRUE(Link.ReplyOwed());
    Link.SendCommand("?B1/1\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsOk);
    EXPECT_EQ(Link.ReplyValue(), "1,probe") << "the late '*' belonged to the line clear";
    EXPECT_EQ(Loop.Now(), 2001) << "sent as soon as the owed line came";
    EXPECT_FALSE(Link.ReplyOwed());
}

TEST_F(InstrumentLinkTest, OwedReplyThatNeverComesDelaysTheNextCommandOneInterval) {
    Silence();
    Link.SendCommand("\r\n");
    AnswerWith("*next\r\n");
    Link.SendCommand("?B1/1\r\n");
    EXPECT_EQ(Link.ReplyValue(), "next");
    EXPECT_EQ(Loop.Now(), 4000);
    EXPECT_FALSE(Loop.TimerRunning());
    Link.SendCommand("?B1/2\r\n");
    EXPECT_EQ(Loop.Now(), 4000) << "no wait once nothing is owed";
}

TEST_F(InstrumentLinkTest, AbortWhileWaitingForAnOwedReplySendsNothing) {
    Silence();
    Link.SendCommand("\r\n");
    Loop.Post([this] { Link.Abort(); }, 100);
    Link.SendCommand("?B1/1\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsAborted);
    EXPECT_EQ(Port.Commands().size(), 1u);
    EXPECT_FALSE(Loop.TimerRunning());
}

TEST_F(InstrumentLinkTest, ReplyAtTheLastMomentBeatsTheTimeOut) {
    AnswerWith("*in time\r\n", 1999);
    Link.SendCommand("?B1/3\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsOk);
    EXPECT_FALSE(Loop.TimerRunning());
}

// A transfer started right after an Abort must not take the abandoned command's reply for
// the answer to its own line clear or probe.
TEST_F(InstrumentLinkTest, AbortEndsTheWaitAndTheGivenUpCommandStillOwesItsReply) {
    AnswerWith("*late\r\n", 500);
    Loop.Post([this] { Link.Abort(); }, 100);
    Link.SendCommand("?B1/4\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsAborted);
    EXPECT_EQ(Loop.Now(), 100);
    EXPECT_TRUE(Link.ReplyOwed());
    AnswerWith("*again\r\n");
    Link.SendCommand("?B1/5\r\n");
    EXPECT_EQ(Link.ReplyValue(), "again");
    EXPECT_EQ(Loop.Now(), 500) << "sent once the late line had come";
}

TEST_F(InstrumentLinkTest, AbortAfterAReplyInTheSamePassWins) {
    Silence();
    Port.Arrive("*done\r\n", 50);
    Loop.Post([this] { Link.Abort(); }, 50);
    Link.SendCommand("?B1/1\r\n");
    EXPECT_EQ(Link.ReplyStatus(), rsAborted);
}

// ---- failures ---------------------------------------------------------------------------

TEST_F(InstrumentLinkTest, PortFailurePropagatesAndTheTimerSettlesTheStatusLater) {
    Port.FailNextPut("Unable to open /dev/ttyUSB0: No such file or directory");
    EXPECT_THROW(Link.SendCommand("?B1/1\r\n"), std::runtime_error);
    EXPECT_TRUE(Loop.TimerRunning());
    EXPECT_FALSE(Link.CommandOutstanding());
    Loop.PumpEvents();
    EXPECT_EQ(Link.ReplyStatus(), rsNoConnection);
}

TEST_F(InstrumentLinkTest, NestedSendIsRefusedAndSendsNothing) {
    AnswerWith("*ok\r\n", 100);
    bool refused = false;
    Loop.Post([&] {
        try {
            Link.SendCommand("?B1/2\r\n");
        } catch (const std::logic_error&) {
            refused = true;
        }
    });
    Link.SendCommand("?B1/1\r\n");
    EXPECT_TRUE(refused);
    EXPECT_EQ(Port.Commands().size(), 1u);
    EXPECT_EQ(Link.ReplyValue(), "ok");
}

TEST_F(InstrumentLinkTest, WaitingPumpsOnlyWhenThereIsSomethingToDeliver) {
    // A silent instrument: the pump blocks until the time-out instead of spinning.
    Silence();
    Link.SendCommand("?B1/1\r\n");
    EXPECT_LE(Loop.Pumps(), 2);
}

}  // namespace
}  // namespace norvane::device
