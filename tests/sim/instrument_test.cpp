#include "sim/instrument.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sim/replies.h"

namespace norvane::sim {
namespace {

using namespace std::string_literals;

TInstrument InstrumentWith(std::initializer_list<std::string> definitions, TFaultPlan faults = {}) {
    TCellTable cells;
    for (const std::string& definition : definitions) {
        cells.StoreDefinition(definition);
    }
    return TInstrument(std::move(cells), std::move(faults));
}

TEST(InstrumentQuery, AnswersDefinedCellWithStarAndDefinition) {
    TInstrument instrument = InstrumentWith({"1,TC-K,0,100", "1899,FREQ,0,10000,Hz"});
    EXPECT_EQ(instrument.Answer("?B1/1"), "*1,TC-K,0,100");
    EXPECT_EQ(instrument.Answer("?B1/1899"), "*1899,FREQ,0,10000,Hz");
}

TEST(InstrumentQuery, EmptyOrNonexistentCellIsNotAvailable) {
    TInstrument instrument = InstrumentWith({"1,TC-K"});
    for (const char* command : {"?B1/2", "?B1/0", "?B1/1900", "?B1/99999999999999999999999"}) {
        EXPECT_EQ(instrument.Answer(command), std::string(reply::kCellNotAvailable)) << command;
    }
}

TEST(InstrumentQuery, MalformedCellNumberIsSyntaxError) {
    TInstrument instrument = InstrumentWith({"1,TC-K"});
    for (const char* command : {"?B1/", "?B1/1x", "?B1/-1", "?B1/ 1", "?b1/1", "?B2/1"}) {
        EXPECT_EQ(instrument.Answer(command), std::string(reply::kSyntaxError)) << command;
    }
}

TEST(InstrumentStore, StoredLineIsWhatTheQueryReturns) {
    TInstrument instrument = InstrumentWith({});
    EXPECT_EQ(instrument.Answer("=5,TC-K,0,100"), "*");
    EXPECT_EQ(instrument.Answer("?B1/5"), "*5,TC-K,0,100");
}

TEST(InstrumentStore, LaterStoreReplacesCellAndLeavesOthers) {
    TInstrument instrument = InstrumentWith({"5,OLD", "6,KEEP"});
    EXPECT_EQ(instrument.Answer("=5,NEW"), "*");
    EXPECT_EQ(instrument.Answer("?B1/5"), "*5,NEW");
    EXPECT_EQ(instrument.Answer("?B1/6"), "*6,KEEP");
}

TEST(InstrumentStore, KeepsTheWholeLineEvenPastThirtyCharacters) {
    // Cutting to 30 is the computer's business; the instrument must not do it for it.
    const std::string longLine = "7," + std::string(60, 'x');
    TInstrument instrument = InstrumentWith({});
    instrument.Answer("=" + longLine);
    EXPECT_EQ(instrument.Answer("?B1/7"), "*" + longLine);
}

TEST(InstrumentStore, LineWithoutLeadingCellNumberIsRejected) {
    TInstrument instrument = InstrumentWith({});
    for (const char* command : {"=", "=TC-K,0,100", "=,TC-K", "=5", "=5x,TC-K", "= 5,TC-K"}) {
        EXPECT_EQ(instrument.Answer(command), std::string(reply::kCellIdMissing)) << command;
    }
    EXPECT_EQ(instrument.Cells().Size(), 0u);
}

TEST(InstrumentStore, CellNumberOutOfRangeIsRejected) {
    TInstrument instrument = InstrumentWith({});
    for (const char* command : {"=0,TC-K", "=1900,TC-K", "=99999999999999999999999,TC-K"}) {
        EXPECT_EQ(instrument.Answer(command), std::string(reply::kDeviceNumberOutOfRange))
            << command;
    }
    EXPECT_EQ(instrument.Cells().Size(), 0u);
}

TEST(InstrumentCommands, UnknownCommandIsSyntaxError) {
    TInstrument instrument = InstrumentWith({"1,TC-K"});
    for (const char* command : {"HELLO", "B1/1", " ?B1/1", "*"}) {
        EXPECT_EQ(instrument.Answer(command), std::string(reply::kSyntaxError)) << command;
    }
}

TEST(InstrumentLineClear, AnswersStarUnlessConfiguredOtherwise) {
    EXPECT_EQ(InstrumentWith({}).Answer(""), "*");

    TFaultPlan silent;
    silent.SetLineClearReply(std::nullopt);
    EXPECT_EQ(InstrumentWith({}, silent).Answer(""), std::nullopt);

    TFaultPlan erring;
    erring.SetLineClearReply("@ERROR=16"s);
    EXPECT_EQ(InstrumentWith({}, erring).Answer(""), "@ERROR=16");
}

TEST(InstrumentFaults, FaultyCellAnswersItsFaultToQueriesAndStores) {
    TFaultPlan faults;
    faults.SetCellFault(3, {std::nullopt});
    faults.SetCellFault(4, {std::string(reply::kGarbage)});
    faults.SetCellFault(5, {std::string(reply::kBadValue)});
    TInstrument instrument = InstrumentWith({"3,A", "4,B", "5,C", "6,D"}, faults);

    EXPECT_EQ(instrument.Answer("?B1/3"), std::nullopt);
    EXPECT_EQ(instrument.Answer("?B1/4"), std::string(reply::kGarbage));
    EXPECT_EQ(instrument.Answer("?B1/5"), std::string(reply::kBadValue));
    EXPECT_EQ(instrument.Answer("?B1/6"), "*6,D");

    EXPECT_EQ(instrument.Answer("=3,NEW"), std::nullopt);
    EXPECT_EQ(instrument.Answer("=5,NEW"), std::string(reply::kBadValue));
    EXPECT_EQ(instrument.Cells().Definition(3), "3,A");
    EXPECT_EQ(instrument.Cells().Definition(5), "5,C");
}

TEST(InstrumentFaults, FaultOnEmptyCellStillReplacesNotAvailable) {
    TFaultPlan faults;
    faults.SetCellFault(9, {std::string(reply::kGarbage)});
    EXPECT_EQ(InstrumentWith({}, faults).Answer("?B1/9"), std::string(reply::kGarbage));
}

TEST(InstrumentFaults, LaterFaultForTheSameCellWins) {
    TFaultPlan faults;
    faults.SetCellFault(3, {std::nullopt});
    faults.SetCellFault(3, {"@ERROR=15"s});
    EXPECT_EQ(InstrumentWith({"3,A"}, faults).Answer("?B1/3"), "@ERROR=15");
}

TEST(InstrumentFaults, StoreMatchingARejectionIsAnsweredAndNotStored) {
    TFaultPlan faults;
    faults.AddStoreRejection(MakeStoreRejection("TC-X", std::string(reply::kInvalidGaugeType)));
    faults.AddStoreRejection(MakeStoreRejection("^8,", std::string(reply::kTooManyDigits)));
    faults.AddStoreRejection(MakeStoreRejection("^8,TC", "@ERROR=19"));
    TInstrument instrument = InstrumentWith({}, faults);

    EXPECT_EQ(instrument.Answer("=7,TC-X,0,1"), std::string(reply::kInvalidGaugeType));
    EXPECT_EQ(instrument.Answer("=8,TC-K"), std::string(reply::kTooManyDigits))
        << "the first matching rejection decides";
    EXPECT_EQ(instrument.Answer("=18,TC-K"), "*") << "^ anchors at the start of the line";
    EXPECT_EQ(instrument.Cells().Definition(7), std::nullopt);
    EXPECT_EQ(instrument.Cells().Definition(8), std::nullopt);
    EXPECT_EQ(instrument.Cells().Definition(18), "18,TC-K");
}

TEST(InstrumentFaults, RejectionIsCheckedBeforeTheCellNumber) {
    TFaultPlan faults;
    faults.AddStoreRejection(MakeStoreRejection("BAD", "@ERROR invalid value"));
    EXPECT_EQ(InstrumentWith({}, faults).Answer("=BAD"), "@ERROR invalid value");
}

TEST(InstrumentFaults, RandomRepliesAnswerEveryCommandWithOneLineOfNoise) {
    TFaultPlan noisy;
    noisy.SetRandomReplies(7);
    TInstrument first = InstrumentWith({"1,TC-K"}, noisy);
    TInstrument second = InstrumentWith({}, noisy);
    std::size_t shortest = TRandomReplies::kMaxLength;
    std::size_t longest = 0;
    bool eightBit = false;
    for (int i = 0; i < 500; ++i) {
        const std::string command = i % 3 == 0 ? "" : (i % 3 == 1 ? "?B1/1" : "=1,X");
        const TReply reply = first.Answer(command);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply, second.Answer(command)) << "same seed, same noise";
        EXPECT_EQ(reply->find('\n'), std::string::npos);
        shortest = std::min(shortest, reply->size());
        longest = std::max(longest, reply->size());
        eightBit = eightBit || std::any_of(reply->begin(), reply->end(), [](char c) {
                       return static_cast<unsigned char>(c) > 127;
                   });
    }
    EXPECT_EQ(shortest, 1u);
    EXPECT_EQ(longest, TRandomReplies::kMaxLength);
    EXPECT_TRUE(eightBit);
    EXPECT_EQ(first.Answer("?B1/1"), second.Answer("?B1/1"));
    EXPECT_EQ(first.Cells().Definition(1), "1,TC-K") << "noise stores nothing";
}

}  // namespace
}  // namespace norvane::sim
