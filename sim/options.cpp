#include "sim/options.h"

#include <functional>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "base/command_line_usage.h"
#include "sim/cell_table.h"
#include "sim/replies.h"
#include "sim/text_escapes.h"

namespace norvane::sim {

namespace {

using TValues = std::vector<std::string>;

struct TOptionRule {
    std::string Name;
    std::size_t Arity;
    std::function<void(TOptions&, const TValues&)> Apply;
};

long long ParseBounded(const std::string& text, long long low, long long high,
                       const std::string& what) {
    const auto value = ParseDecimal(text);
    if (!value || *value < low || *value > high) {
        throw base::TUsageError(what + " must be a number from " + std::to_string(low) + " to " +
                                std::to_string(high) + ", not '" + text + "'");
    }
    return *value;
}

int ParseCell(const std::string& text) {
    return static_cast<int>(ParseBounded(text, kFirstCell, kLastCell, "a cell"));
}

void AddCellRange(const std::string& item, std::vector<int>& cells) {
    const auto dash = item.find('-');
    if (dash == std::string::npos) {
        cells.push_back(ParseCell(item));
        return;
    }
    const int first = ParseCell(item.substr(0, dash));
    const int last = ParseCell(item.substr(dash + 1));
    if (first > last) {
        throw base::TUsageError("cell range '" + item + "' runs backwards");
    }
    for (int cell = first; cell <= last; ++cell) {
        cells.push_back(cell);
    }
}

std::string ReplyText(const std::string& text) {
    try {
        return UnescapeText(text);
    } catch (const std::invalid_argument& e) {
        throw base::TUsageError(std::string("reply '") + text + "': " + e.what());
    }
}

std::chrono::milliseconds Milliseconds(const std::string& text, const std::string& option) {
    constexpr long long kTenMinutes = 600'000;
    return std::chrono::milliseconds{ParseBounded(text, 0, kTenMinutes, option)};
}

std::size_t CommandNumber(const std::string& text, const std::string& option) {
    return static_cast<std::size_t>(ParseBounded(text, 1, 1'000'000'000, option + " N"));
}

TStrayCr ParseStrayCr(const std::string& text) {
    TStrayCr strayCr;
    std::istringstream places(text);
    std::string place;
    while (std::getline(places, place, ',')) {
        if (place == "before" || place == "all") {
            strayCr.BeforeFirst = true;
        }
        if (place == "middle" || place == "all") {
            strayCr.InMiddle = true;
        }
        if (place == "after" || place == "all") {
            strayCr.AfterLf = true;
        }
        if (place != "before" && place != "middle" && place != "after" && place != "all") {
            throw base::TUsageError("--stray-cr: unknown place '" + place +
                                    "' (before, middle, after, all)");
        }
    }
    return strayCr;
}

TReply ParseLineClearReply(const std::string& text) {
    if (text == "none") {
        return std::nullopt;
    }
    if (text == "star") {
        return std::string(reply::kOk);
    }
    return ReplyText(text);
}

TPreambleMoment ParsePreambleMoment(const std::string& text) {
    if (text == "start") {
        return TPreambleMoment::AtStart;
    }
    if (text == "first-byte") {
        return TPreambleMoment::OnFirstByte;
    }
    throw base::TUsageError("--preamble-on takes 'start' or 'first-byte', not '" + text + "'");
}

void SetCellsFault(TOptions& options, const std::string& cellList, const TReply& reply) {
    for (const int cell : ParseCellList(cellList)) {
        options.Faults.SetCellFault(cell, {reply});
    }
}

void AddStoreRejection(TOptions& options, const std::string& pattern, const std::string& text) {
    try {
        options.Faults.AddStoreRejection(MakeStoreRejection(pattern, ReplyText(text)));
    } catch (const std::regex_error& e) {
        throw base::TUsageError("--reject-store: bad pattern '" + pattern + "': " + e.what());
    }
}

const std::vector<TOptionRule>& OptionRules() {
    static const std::vector<TOptionRule> rules = {
        {"--help", 0, [](TOptions& o, const TValues&) { o.ShowHelp = true; }},
        {"-h", 0, [](TOptions& o, const TValues&) { o.ShowHelp = true; }},
        {"--version", 0, [](TOptions& o, const TValues&) { o.ShowVersion = true; }},
        {"--cells", 1, [](TOptions& o, const TValues& v) { o.CellsFile = v[0]; }},
        {"--save", 1, [](TOptions& o, const TValues& v) { o.SaveFile = v[0]; }},
        {"--journal", 1, [](TOptions& o, const TValues& v) { o.JournalFile = v[0]; }},
        {"--link", 1, [](TOptions& o, const TValues& v) { o.LinkPath = v[0]; }},
        {"--device", 1, [](TOptions& o, const TValues& v) { o.DevicePath = v[0]; }},
        {"--silent-cells", 1,
         [](TOptions& o, const TValues& v) { SetCellsFault(o, v[0], std::nullopt); }},
        {"--garbage-cells", 1,
         [](TOptions& o, const TValues& v) {
             SetCellsFault(o, v[0], std::string(reply::kGarbage));
         }},
        {"--error-cells", 2,
         [](TOptions& o, const TValues& v) { SetCellsFault(o, v[0], ReplyText(v[1])); }},
        {"--reject-store", 2,
         [](TOptions& o, const TValues& v) { AddStoreRejection(o, v[0], v[1]); }},
        {"--alter-store", 2,
         [](TOptions& o, const TValues& v) {
             try {
                 o.Faults.AlterStores(v[0], v[1]);
             } catch (const std::regex_error& e) {
                 throw base::TUsageError("--alter-store: bad pattern '" + v[0] + "': " + e.what());
             }
         }},
        {"--line-clear-reply", 1,
         [](TOptions& o, const TValues& v) {
             o.Faults.SetLineClearReply(ParseLineClearReply(v[0]));
         }},
        {"--random-replies", 1,
         [](TOptions& o, const TValues& v) {
             o.Faults.SetRandomReplies(
                 static_cast<std::uint32_t>(ParseBounded(v[0], 0, 4'294'967'295LL, "a seed")));
         }},
        {"--flood-at", 2,
         [](TOptions& o, const TValues& v) {
             o.Delivery.Incidents.FloodAt = CommandNumber(v[0], "--flood-at");
             o.Delivery.Incidents.FloodBytes =
                 static_cast<std::size_t>(ParseBounded(v[1], 1, 16'777'216, "--flood-at BYTES"));
         }},
        {"--delay-at", 2,
         [](TOptions& o, const TValues& v) {
             o.Delivery.Incidents.DelayAt = CommandNumber(v[0], "--delay-at");
             o.Delivery.Incidents.Delay = Milliseconds(v[1], "--delay-at MS");
         }},
        {"--hang-up-after", 1,
         [](TOptions& o, const TValues& v) {
             o.Delivery.Incidents.HangUpAfter = CommandNumber(v[0], "--hang-up-after");
         }},
        {"--think-ms", 1,
         [](TOptions& o, const TValues& v) {
             o.Delivery.ThinkTime = Milliseconds(v[0], "--think-ms");
         }},
        {"--baud", 1,
         [](TOptions& o, const TValues& v) {
             o.Delivery.Baud = static_cast<unsigned>(ParseBounded(v[0], 1, 4'000'000, "--baud"));
         }},
        {"--fragment-bytes", 1,
         [](TOptions& o, const TValues& v) {
             o.Delivery.FragmentBytes =
                 static_cast<std::size_t>(ParseBounded(v[0], 1, 65'536, "--fragment-bytes"));
         }},
        {"--fragment-pause-ms", 1,
         [](TOptions& o, const TValues& v) {
             o.Delivery.FragmentPause = Milliseconds(v[0], "--fragment-pause-ms");
         }},
        {"--stray-cr", 1,
         [](TOptions& o, const TValues& v) { o.Delivery.StrayCr = ParseStrayCr(v[0]); }},
        {"--preamble", 1, [](TOptions& o, const TValues& v) { o.Preamble.Text = ReplyText(v[0]); }},
        {"--preamble-on", 1,
         [](TOptions& o, const TValues& v) { o.Preamble.Moment = ParsePreambleMoment(v[0]); }},
    };
    return rules;
}

const TOptionRule& FindRule(const std::string& name) {
    if (!name.starts_with("-")) {
        throw base::TUsageError("unexpected argument '" + name + "'");
    }
    for (const TOptionRule& rule : OptionRules()) {
        if (rule.Name == name) {
            return rule;
        }
    }
    throw base::TUsageError("unknown option '" + name + "'");
}

// The values of one option: "--name=first rest..." or "--name first rest...". Advances
// `next` past the values taken.
TValues TakeValues(const TOptionRule& rule, std::optional<std::string> inlineValue,
                   const std::vector<std::string>& args, std::size_t& next) {
    TValues values;
    if (inlineValue) {
        if (rule.Arity == 0) {
            throw base::TUsageError(rule.Name + " takes no value");
        }
        values.push_back(*inlineValue);
    }
    while (values.size() < rule.Arity) {
        if (next >= args.size()) {
            throw base::TUsageError(rule.Name + " needs " + std::to_string(rule.Arity) +
                                    (rule.Arity == 1 ? " value" : " values"));
        }
        values.push_back(args[next++]);
    }
    return values;
}

void CheckConsistency(const TOptions& options) {
    if (options.Preamble.Moment == TPreambleMoment::OnFirstByte && options.Preamble.Text.empty()) {
        throw base::TUsageError("--preamble-on needs a --preamble");
    }
    if (options.Delivery.FragmentPause.count() > 0 && options.Delivery.FragmentBytes == 0) {
        throw base::TUsageError("--fragment-pause-ms needs --fragment-bytes");
    }
}

}  // namespace

std::vector<int> ParseCellList(const std::string& text) {
    std::vector<int> cells;
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        AddCellRange(item, cells);
    }
    if (cells.empty()) {
        throw base::TUsageError("empty cell list");
    }
    return cells;
}

TOptions ParseOptions(const std::vector<std::string>& args) {
    TOptions options;
    std::size_t next = 0;
    while (next < args.size()) {
        const std::string& arg = args[next++];
        const auto equals = arg.find('=');
        const bool hasInlineValue = arg.starts_with("--") && equals != std::string::npos;
        const std::string name = hasInlineValue ? arg.substr(0, equals) : arg;
        std::optional<std::string> inlineValue;
        if (hasInlineValue) {
            inlineValue = arg.substr(equals + 1);
        }
        const TOptionRule& rule = FindRule(name);
        rule.Apply(options, TakeValues(rule, inlineValue, args, next));
    }
    CheckConsistency(options);
    return options;
}

std::string UsageText() {
    return R"(Usage: norvane-instrument [OPTION]...
Simulates the data-logging instrument on a serial line: answers line clear (CR LF),
cell queries ("?B1/" n) and cell stores ("=" line), one reply line per command.
A stored line names its cell by a leading "n," (e.g. "5,TC-K,0,100" goes to cell 5).

By default it opens a pseudo-terminal and prints the path of its client end on
standard output, one line, before it starts answering.

Line:
  --link PATH             also make PATH a symbolic link to the client end; an existing
                          symlink is replaced, anything else refused; removed at exit
  --device TTY            answer on this tty (set raw) instead of a pseudo-terminal

Cell table:
  --cells FILE            load the table from a cell file at start
  --save FILE             write the table to a cell file at exit (also on SIGTERM/SIGINT)

Faults (CELLS is a list like 7 or 1,5,9 or 10-20; a later option for a cell wins;
a faulty cell answers queries and stores alike, and stores nothing):
  --silent-cells CELLS    answer nothing at all
  --garbage-cells CELLS   answer "#garbled" (neither "*" nor "@" first)
  --error-cells CELLS REPLY
                          answer REPLY, e.g. "@ERROR=15" or "@ERROR bad value"
  --reject-store REGEX REPLY
                          answer REPLY to a store whose line matches REGEX (ECMAScript,
                          matched anywhere; use ^...$ for whole lines) and store nothing;
                          checked before everything else, first match wins
  --alter-store REGEX REPLACEMENT
                          accept a store whose line matches REGEX but keep it with each
                          match replaced by REPLACEMENT (ECMAScript; $& is the match)
  --line-clear-reply none|star|REPLY
                          the answer to CR LF alone (default: star, i.e. "*")
  --random-replies SEED   answer every command, line clears included, with 1 to 40 random
                          bytes (any value but LF) and CR LF; the same SEED, the same bytes

Delivery:
  --think-ms MS           wait MS before each reply
  --baud RATE             pace replies as a line at RATE baud (10 bits per byte);
                          only outgoing bytes are paced, and a --device keeps its speed
  --fragment-bytes N      write each reply in pieces of N bytes...
  --fragment-pause-ms MS  ...with MS between the pieces
  --stray-cr WHERE        add CRs that a reader must drop: before (the first byte),
                          middle (of the text), after (the LF), or all; comma-separated
  --preamble TEXT         send TEXT before the first reply (no LF unless in TEXT)
  --preamble-on start|first-byte
                          send it as soon as the line is open (default), or when the
                          first byte from the computer arrives

Incidents (N counts the commands received, from 1; a line clear counts):
  --flood-at N BYTES      send BYTES bytes of text without a line feed before the reply to
                          command N
  --delay-at N MS         send the reply to command N MS late (on top of --think-ms)
  --hang-up-after N       answer N commands, then close the line when the next one comes,
                          unanswered and unrecorded, and exit (status 0)

Record:
  --journal FILE          write every command received to FILE, one line each, without
                          CR and LF (emptied at start; each line written at once)

  -h, --help              show this help
  --version               show the program's version

Texts (REPLY, TEXT) take the escapes \r \n \t \\ and \xHH.
Exit status: 0 after SIGTERM/SIGINT/SIGHUP or --hang-up-after, 1 on a failure, 2 on a bad
command line.
)";
}

}  // namespace norvane::sim
