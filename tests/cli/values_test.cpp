// The runner's tables and values read directly: every exported operation and variable of the
// header has its row; a number in a script is the same double as the same C++ literal, in any
// locale; pointer names go to their own kind (misspelt names: grammar_test.cpp).
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "script.h"
#include "speechscore_colours.h"
#include "support/child.h"

namespace {

using cli::Arg;
using cli::Kind;
using cli::Quantity;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const Quantity kNumber = {
    Kind::Number, "number", {-cli::kUnbounded, cli::kUnbounded, false, false}, reports::Tag::None};
const Quantity kPitch = {Kind::Pitch, "pitch", {0, 12, false, false}, reports::Tag::None};
const Quantity kInteger = {Kind::Integer, "integer", {0, 47, true, true}, reports::Tag::None};
const Quantity kColour = {Kind::Colour, "colour", {0, 47, true, true}, reports::Tag::None};

double read(const std::string& text, const Quantity& q = kNumber) {
    Arg value = {0, 0, '\0'};
    std::string problem;
    EXPECT_TRUE(cli::read_value({text, 1}, q, value, problem)) << text << ": " << problem;
    return q.kind == Kind::Number || q.kind == Kind::Pitch ? value.number : value.integer;
}

// A value is the double of the same C++ literal.
TEST(ScriptValues, ValuesAreTheDoublesOfTheSameLiterals) {
    const std::pair<const char*, double> cases[] = {
        {"0.1", 0.1},
        {"-0", -0.0},
        {".5", .5},
        {"0x1.8p1", 0x1.8p1},
        {"1.7976931348623157e308", DBL_MAX},
        {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"0.30000000000000004", 0.30000000000000004},
    };
    for (const auto& [text, literal] : cases) EXPECT_TRUE(same_bits(read(text), literal)) << text;
    // A frequency is the pitch of the library's helper (so are note names: noteOct itself).
    EXPECT_TRUE(same_bits(read("440Hz", kPitch), 8.75));
    // A number is a number even where a name could stand; integers are whole, within an int.
    EXPECT_TRUE(same_bits(read("7.1667", kPitch), 7.1667));
    EXPECT_EQ(read("4", kColour), 4);
    EXPECT_EQ(read("1e1", kInteger), 10);
    EXPECT_EQ(read("2147483647", kInteger), 2147483647);
}

// A decimal-comma locale changes nothing: the script is read in the C locale.
TEST(ScriptValues, ALocaleWithADecimalCommaReadsTheSame) {
    const ChildResult run = run_child([]() {
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
            std::printf("no locale");
            return;
        }
        Arg value = {0, 0, '\0'};
        std::string problem;
        const bool point = cli::read_value({"0.5", 1}, kNumber, value, problem);
        const bool comma = cli::read_value({"0,5", 1}, kNumber, value, problem);
        std::printf("%d %d %s", point, comma, problem.c_str());
    });
    if (run.out == "no locale") GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    EXPECT_EQ(run.out, "1 0 '0,5' is not a number");
}

// The pointer names of speechscore_colours.h go to their own kind only (the colour names are
// that header's list itself).
TEST(ScriptValues, PointerNamesGoToTheirOwnKind) {
    std::set<std::string> pointers;
    for (Kind kind : {Kind::Nasal, Kind::Tracheal, Kind::DeltaF1}) {
        for (const cli::NamedValue& n : cli::names_of(kind)) pointers.insert(n.name);
    }
    EXPECT_EQ(pointers.size(), std::size(speechscore::colours::kPointerNames));
    for (const cli::NamedValue& n : cli::names_of(Kind::Tracheal)) {
        EXPECT_TRUE(n.value == 37 || n.value == 38) << n.name;
    }
}

// A bound is included or not as its range says (the words for ranges: grammar_test.cpp).
TEST(ScriptValues, BoundsAreIncludedAsTheRangeSays) {
    const Quantity level = {
        Kind::Number, "level", {-cli::kUnbounded, 100, false, true}, reports::Tag::None};
    EXPECT_TRUE(cli::in_range(level, 100));
    EXPECT_FALSE(cli::in_range(level, 100.0000001));
    EXPECT_FALSE(cli::in_range(kPitch, 0));
    EXPECT_FALSE(cli::in_range(kPitch, 12));
}

// The names the public header declares, found by declaration (its first group a list of them):
// functions, or variables (arrays by their name).
std::set<std::string> header_names(const std::regex& declaration) {
    std::ifstream in(SPEECHSCORE_HEADER);
    const std::string header{std::istreambuf_iterator<char>(in), {}};
    std::set<std::string> names;
    std::smatch name;
    for (std::sregex_iterator it(header.begin(), header.end(), declaration), end; it != end; ++it) {
        std::stringstream list((*it)[1]);
        for (std::string item; std::getline(list, item, ',');) {
            if (std::regex_search(item, name, std::regex(R"(\w+)"))) names.insert(name[0]);
        }
    }
    return names;
}

TEST(ScriptTables, EveryExportedNameHasItsRow) {
    std::size_t count = 0;
    const cli::Operation* ops = cli::operations(count);
    std::set<std::string> rows;
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_TRUE(rows.insert(ops[i].name).second) << "two rows for " << ops[i].name;
    }
    const std::set<std::string> functions =
        header_names(std::regex(R"((?:^|\n)(?:void|int)\s+(\w+)\s*\()"));
    EXPECT_GT(functions.size(), 140u);
    EXPECT_EQ(rows, functions);

    const cli::Variable* vars = cli::variables(count);
    std::set<std::string> variableRows;
    for (std::size_t i = 0; i < count; ++i) variableRows.insert(vars[i].name);
    const std::set<std::string> declared =
        header_names(std::regex(R"(extern\s+(?:double|int)\s+([^;]+);)"));
    EXPECT_GT(declared.size(), 150u);
    EXPECT_EQ(variableRows, declared);
}

}  // namespace

// Every p-field of orchestra/instruments.txt that names a parameter of the runner has that
// parameter's range, bounds and report; the runner's state checks use the same quantities.
TEST(ScriptTables, RangesAndReportsAreThoseOfTheInstrumentTable) {
    std::ifstream in(SPEECHSCORE_INSTRUMENTS);
    ASSERT_TRUE(in) << SPEECHSCORE_INSTRUMENTS;
    int checked = 0;
    const std::regex bar(R"( *\| *)");
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> cells(
            std::sregex_token_iterator(line.begin(), line.end(), bar, -1), {});
        if (cells.size() < 2 || cells[0].find('#') != std::string::npos) continue;  // no row
        ASSERT_EQ(cells.size(), 12u) << line;
        const std::string& runner = cells[11];
        if (runner == "-") continue;
        const std::string opName = runner.substr(0, runner.find(' '));
        const std::string param = runner.substr(runner.find(' ') + 1);
        const cli::Operation* op = cli::find_operation(opName);
        ASSERT_NE(op, nullptr) << line;
        const Quantity* q = nullptr;
        for (const cli::Param& p : op->params) {
            if (p.name != nullptr && param == p.name) q = p.quantity;
        }
        ASSERT_NE(q, nullptr) << line;
        const std::string bounds = cells[6];
        const double low = cells[4] == "-" ? -cli::kUnbounded : std::stod(cells[4]);
        const double high = cells[5] == "-" ? cli::kUnbounded : std::stod(cells[5]);
        EXPECT_EQ(q->range.low, low) << line;
        EXPECT_EQ(q->range.high, high) << line;
        if (bounds != "-") {
            EXPECT_EQ(q->range.lowIncluded, bounds[0] == '[') << line;
            EXPECT_EQ(q->range.highIncluded, bounds[1] == ']') << line;
        }
        const char* report =
            q->report == reports::Tag::None ? "-" : reports::of_tag(q->report).name;
        EXPECT_EQ(cells[8], report) << line;
        ++checked;
    }
    EXPECT_EQ(checked, 22);
}
