// Statement writers, error log, start-up and score end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>

#include "../score/reports.h"
#include "speechscore.h"
#include "support/fresh.h"
#include "support/messages.h"

namespace {

void set_fields(std::initializer_list<double> values) {
    std::copy(values.begin(), values.end(), pfields);
}

// The library's reports, by tag, with the code err prints them for (-1: a tempo comment).
struct Spelt {
    reports::Tag tag;
    int code;
    const std::string* text;
};
const Spelt kSpelt[] = {
    {reports::Tag::Odd, 0, &kOdd},         {reports::Tag::Limit, 1, &kLimit},
    {reports::Tag::Loudness, 2, &kLoud},   {reports::Tag::Duration, 3, &kDuration},
    {reports::Tag::Pitch, 4, &kPitch},     {reports::Tag::OpenQuotient, 5, &kQuotient},
    {reports::Tag::Colour, 6, &kColour},   {reports::Tag::Tracheal, 8, &kTracheal},
    {reports::Tag::DeltaF1, 9, &kDeltaF1}, {reports::Tag::Output, 10, &kOutput},
    {reports::Tag::Source, 11, &kSource},  {reports::Tag::Tilt, 13, &kTilt},
    {reports::Tag::Tto, 15, &kTto},        {reports::Tag::Tempo, -1, &kTempoFallback},
    {reports::Tag::Mark, -1, &kBadMark},
};

// Calls from a fresh start and the exact lines they print.
TEST(Writers, CallsWriteTheseLines) {
    const std::string head = "i  2    2.0000  2.0000 ";
    // The widest lines the writers can print: every field -DBL_MAX.
    std::string widest = "i", echo = kOdd + ";i";
    char text[400];
    for (int n = 0; n < 50; ++n) {
        const char* format = n == 0 ? "%3.0f " : n == 1 ? "%9.4f " : n == 2 ? "%7.4f " : "%5.3f ";
        std::snprintf(text, sizeof text, format, -DBL_MAX);
        widest += text;
        std::snprintf(text, sizeof text, n == 0 ? "%3.0f" : "%9.4f  ", -DBL_MAX);
        echo += text;
    }
    // Every code err knows, and those without a message of their own.
    std::string reports;
    for (int code = -1; code <= 16; ++code) {
        const std::string* message = &kOdd;
        for (const Spelt& s : kSpelt) {
            if (s.code == code && code > 0) message = s.text;
        }
        reports += *message + ";i 15   2.0000     0.0000    40.0000     1.0000  \n";
    }
    const std::pair<void (*)(), std::string> cases[] = {
        // Each statement shape; the writers never read past the buffer.
        {[] {
             set_fields({20, 1.5, 0.25, 60, 1});
             wr('i', 5);
             wr('f', 5);
             wr('i', 1);  // the first three fields are printed even when the count is below three
             set_fields({11, 0, 0.2, 670, 101});
             wrfilt('i', 5);
             set_fields({110, 12345.678, 1234.5, 100000});  // wider than the format: in full
             wrfilt('i', 4);
             set_fields({14, 0, 0.2, 3500, 4500, 5500, 6500, 7500, 350, 450, 550, 650, 750, 1});
             wrf4_8('i', 14);
             wrf4_8('i', 4);  // the last field alone
             wrf4_8('i', 3);  // no field to print after the first three
             std::fill(std::begin(pfields), std::end(pfields), 2.0);
             wr('i', 60);
             wrf4_8('i', 1000);
             err(3, 51);
         },
         "i 20    1.5000  0.2500 60.000 1.000 \nf 20    1.5000  0.2500 60.000 1.000 \n"
         "i 20    1.5000  0.2500 \ni 11    0.0000  0.2000 670.0 101.0 \n"
         "i110 12345.6780 1234.5000 100000.0 \n"
         "i 14    0.0000  0.2000 3500 4500 5500 6500 7500  350  450  550  650  750    1.0 \n"
         "i 14    0.0000  0.2000 3500.0 \ni 14    0.0000  0.2000 \n" +
             head + repeat(47, "2.000 ") + "\n" + head + repeat(46, "   2 ") +
             "   2.0 \nError: <duration> <= 0.\n;i  2" + repeat(49, "   2.0000  ") + "\n"},
        {[] {
             std::fill(std::begin(pfields), std::end(pfields), -DBL_MAX);
             wr('i', 50);
             err(0, 50);
         },
         widest + "\n" + echo + "\n"},
        // The messages, the echo and the count.
        {[] {
             set_fields({15, 2.0, 0, 40, 1});
             nerrors = 4;
             for (int code = -1; code <= 16; ++code) err(code, 5);
             set_fields({17, 3.0, 1.0});
             err(15, 1);
             err(6, 0);
             std::printf("count %d\n", nerrors);
         },
         reports + kTto + ";i 17\n" + kColour + ";i 17\ncount 24\n"},
        // Start-up resets the state but not the beat positions, and writes the function tables.
        {[] {
             timepoints[3] = 2.5;
             beatpoints[12] = 4.0;
             incAV = incAF = 3;
             OQn = 0.9;
             TLn = 10;
             pfields[49] = 5;
             start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
             std::printf("%g %g %g %g %g %g %g\n", timepoints[3], beatpoints[12], incAV, incAF, OQn,
                         TLn, pfields[49]);
             startmn();
             startf(1, 2, 3, 4, 5, 6, 7, 8);
             startb(11, 12, 13, 14, 15, 16, 17, 18);
             std::printf("%g %g %g %g\n", f1i, f8i, b1i, b8i);
         },
         "0 4 0 0 0.5 1000 0\n"
         "f  4    0.0000 65.0000  -5.0 10000.0  12.0 1800.0  12.0 850.0  12.0 500.0   6.0 "
         "450.0  23.0 400.0 \n"
         "f  6    0.0000 129.0000  10.0   1.0 \n"
         "f  7    0.0000 32769.0000   3.0   0.0 32768.0   0.0 21845.3  -1.0 \n"
         "1 8 11 18\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(run_fresh(c.first).out, c.second);
}

// Front ends find a report by its line and learn its tag; every tag names one line.
TEST(ErrorLog, EveryReportIsFoundByItsLineAndTag) {
    for (const Spelt& s : kSpelt) {
        const std::string line = s.text->substr(0, s.text->size() - 1);
        const reports::Report* found = reports::of_line(line);
        ASSERT_NE(found, nullptr) << line;
        EXPECT_EQ(found->tag, s.tag) << line;
        EXPECT_EQ(found->code, s.code) << line;
        EXPECT_EQ(reports::of_tag(s.tag).text, *s.text);
    }
    for (const char* other : {"", ";i 15   2.0000  ", "Error: <pitch> out-of-range. ",
                              "Error: <pitch>", "e", "THERE ARE   2 ERRORS IN THIS FILE."}) {
        EXPECT_EQ(reports::of_line(other), nullptr) << other;
    }
}

TEST(StartUp, SwitchesAreCheckedAndKept) {
    const std::string echo = ";i  0" + repeat(16) + "\n";
    const std::string outError = kOutput + echo;
    const std::string srcError = kSource + echo;
    struct Case {
        double out, src;
        std::string expected;  // then the count, outswt and srcsw after the call
    };
    // clang-format off
    const Case cases[] = {
        {0, 0, "0 0 0"},                 {12, 5, "0 12 5"},
        {13, 0, outError + "1 13 0"},    {-1, 5, outError + "1 -1 5"},
        {0, 6, srcError + "1 0 6"},      {12, -0.5, srcError + "1 12 -0.5"},
        // A switch that is not a number is reported and the previous value kept.
        {NAN, -INFINITY, outError + srcError + "2 3 2"},
    };
    // clang-format on
    for (const Case& c : cases) {
        ChildResult r = run_child([&] {
            start1(3, 1, 1, 1, 1, 1, 2, 1, 1);
            set_fields({99, 9, 9, 9});
            nerrors = 7;
            start1(c.out, 1, 1, 1, 1, 1, c.src, 1, 1);
            std::printf("%d %g %g", nerrors, outswt, srcsw);
        });
        EXPECT_EQ(r.out, c.expected);
    }
    ChildResult settings = run_child([] {
        start1(0, 0.5, 1, 1, 1, 1, 0, 1, 1);
        start1(0, INFINITY, 1, 1, 1, 1, 0, 1, 1);
        startf(1, 2, 3, 4, 5, 6, 7, std::nan(""));
        std::printf("%d %g %g", nerrors, cascfac, f8i);
    });
    EXPECT_EQ(settings.out, kOdd + echo + kOdd + ";i  0\n2 0.5 7500");
}

TEST(ScoreEnd, EndsWithEOrExitsWithStatusOne) {
    ChildResult ok = run_child([] {
        start1(3, 0.5, 1, 2, 1, 1, 4, 1, 1);
        timepoints[3] = 2.5;
        timepoints[7] = 1.25;
        timepoints[19] = 3;
        fine();
        std::printf("returned %.3f\n", timepoints[20]);
    });
    const std::string titles =
        ";   i 10    i 11    i 12    i 13    i 14    i 15    i 16    i 17    i 18    i 19\n"
        ";  paraflt   F1      F2      F3     F4_8     AS      AF     NasPZ  TralPZ  DltaF1\n";
    const std::string voiceTitles =
        ";   i 20    i 21    i 22    i 23    i 24    i 25    i 26    i 27\n"
        ";    AV      F0    OQuot   Flutt   Diplo    Tilt      DV      FV    [syn]\n";
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.err, "");
    EXPECT_EQ(ok.out,
              "i 1 0 0.01   3 0.5000 1.0000 2.000000 1.000000 1.000000   4    1.0    1.0\n"
              "i 80 .01   2.490 \n" +
                  titles +
                  ";   0.000   2.500   0.000   0.000   0.000   1.250   0.000   0.000   "
                  "0.000   0.000 \n" +
                  voiceTitles +
                  ";   0.000   0.000   0.000   0.000   0.000   0.000   0.000   3.000   "
                  "2.490 \ne\nreturned 2.490\n");

    ChildResult bad = run_child([] {
        start1(0, 1, 1, 1, 1, 1, 0, 1, 1);
        nerrors = 3;
        fine();
        std::printf("not reached\n");
    });
    const std::string tail = "i 80 .01  -0.010 \n" + titles + "; " + repeat(10, "  0.000 ") + "\n" +
                             voiceTitles + "; " + repeat(8, "  0.000 ") +
                             " -0.010 \nTHERE ARE   3 ERRORS IN THIS FILE.\n";
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Number of errors:   3. Details in .sco file.\n");
    ASSERT_GE(bad.out.size(), tail.size());
    EXPECT_EQ(bad.out.substr(bad.out.size() - tail.size()), tail);
}

TEST(ScoreEnd, AScoreThatCannotBeWrittenIsNotASuccess) {
    for (double outSwitch : {0.0, 20.0}) {  // 20: an error counted too
        ChildResult r = run_child(
            [&] {
                start1(outSwitch, 1, 1, 1, 1, 1, 0, 1, 1);
                startmn();
                fine();
            },
            "/dev/full");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "Error: the score could not be written to standard output.\n");
    }
}

}  // namespace
