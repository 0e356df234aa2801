// Number formatting of the score: the same bytes as printf in the C locale for every format the
// library prints, whatever locale the client set.
#include <gtest/gtest.h>
#include <locale.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "../score/output.h"
#include "speechscore.h"
#include "support/child.h"

namespace {

// Every "%W.Pf" the library prints: p1, p2 and echo, p3, wr, wrfilt, wrf4_8 and its last field
// (also fss and ass), the end event and time-line summary, fine's factors, setVOIC.
const output::Fixed kFormats[] = {{3, 0}, {9, 4}, {7, 4}, {5, 3}, {5, 1}, {4, 0},
                                  {6, 1}, {7, 3}, {6, 4}, {6, 6}, {5, 4}};

std::vector<double> values_to_try() {
    std::vector<double> values = {
        0.0, -0.0, 1e-300, -1e-300, 1e300, -1e300, DBL_MAX, -DBL_MAX, DBL_MIN, 5e-324, -5e-324,
        // Tiny negatives that round to a negative zero in every format.
        -1e-7, -0.00004, -0.0004, -0.04, -0.4, -0.49,
        // Halfway between two outputs in binary exactly: ties go to the even digit.
        0.5, 1.5, 2.5, -0.5, -2.5, 0.25, 0.125, 0.375, 0.0625, 0.00005, 0.03125, 0.015625, 1.00005,
        2.0005, 0.0005, 1234.5, 1e15 + 0.5, 4503599627370497.0,
        // Wider than their formats.
        10000, 100000, 21845.333, 32768, 32769, 123456789.123456789, -99999.99999,
        // Just below and above rounding boundaries.
        0.99995, 0.999949999, 9.9995, 99.95, 999.5, 0.05, 0.15, 0.35, 1.005, 2.675};
    std::mt19937_64 random(20260206);
    for (int i = 0; i < 3000; ++i) {
        const uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
        // Decimals at every scale the score uses, and a few beyond.
        const double scale = std::pow(10.0, static_cast<int>(random() % 16) - 6);
        const double digits = static_cast<double>(random() % 2000001) - 1000000.0;
        values.push_back(digits * scale / 1000.0);
        values.push_back(static_cast<double>(random() % 100000) / 10000.0 + 0.00005);
    }
    return values;
}

TEST(Format, GivesPrintfsBytesInEveryFormat) {
    const std::vector<double> values = values_to_try();
    std::string expected;
    for (const output::Fixed& f : kFormats) {
        for (const double v : values) {
            char text[400];
            std::snprintf(text, sizeof text, "%*.*f|\n", f.width, f.precision, v);
            expected += text;
        }
    }
    // One line per value: the line buffer holds one statement, not thousands of numbers.
    ChildResult r = run_child([&] {
        for (const output::Fixed& f : kFormats) {
            for (const double v : values) output::Line().number(v, f).text("|\n").write();
        }
    });
    EXPECT_EQ(r.out, expected);
}

// A score that prints every kind of number: statements, echoes, tempo comments, the voice
// quality comment, the global settings, the end event and the time-line summary.
void every_kind_of_line() {
    start1(3, 0.75, 1, 1, 1, 1, 2, 1.5, 1);
    startmn();
    metronome(90);
    glMM(4, 60);
    VOW(1, 4, 60, 6, 0.45, 0.003, 0.1, 900, 0.009, 1.5, 40, 2);
    setVOIC(0.6, 0.01, 0.5, 2000, 0.01, 2);
    Rest(1.5);
    tV(1, 27, 7, 50, 54, 60, 7.0, 52, 0, 0.05, 0.02, 0.01, 0.04, 10, 0.03, 0.05, 0.2);
    genF0(0.25, 13.5);  // an error line with its echo
    fine();
}

TEST(Format, TheScoreIsTheSameInEveryLocale) {
    const ChildResult c = run_child(every_kind_of_line);
    ASSERT_EQ(c.status, 1);
    ASSERT_NE(c.out.find("; Beat = "), std::string::npos);
    ASSERT_NE(c.out.find(";OQn=0.6000,FLn=0.0100,"), std::string::npos);
    const std::pair<const char*, void (*)()> settings[] = {
        {"LC_NUMERIC", [] { std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); }},
        {"uselocale", [] { uselocale(newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr)); }},
    };
    for (const auto& setting : settings) {
        const ChildResult r = run_child([&] {
            setting.second();
            // The locale is in force for printf: a decimal comma.
            char probe[16];
            std::snprintf(probe, sizeof probe, "%.1f", 0.5);
            std::fprintf(stderr, "%s|", probe);
            every_kind_of_line();
        });
        EXPECT_EQ(r.err, "0,5|" + c.err) << setting.first;
        EXPECT_EQ(r.out, c.out) << setting.first;
        EXPECT_EQ(r.status, 1) << setting.first;
    }
}

}  // namespace
