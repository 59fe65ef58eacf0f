#include "common/field_text.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

TEST(FieldReader, ReadsQuotedHeaderThenNumbersAcrossLineEnds) {
    FieldReader r("\"Config: <A>, <B>,<C>,<D>\"\r\n3,5,4,0\r\n");
    std::string header;
    std::int16_t a = 0, b = 0, c = 0, d = 0;
    ASSERT_TRUE(r.text(header));
    EXPECT_EQ(header, "Config: <A>, <B>,<C>,<D>");
    ASSERT_TRUE(r.int16(a) && r.int16(b) && r.int16(c) && r.int16(d));
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(c, 4);
    EXPECT_EQ(d, 0);
    EXPECT_TRUE(r.atEnd());
}

TEST(FieldReader, FieldOrderNotLineLayoutMatters) {
    FieldReader lf("1\n2,3\n4");
    FieldReader oneLine("1,2,3,4");
    for (FieldReader* r : {&lf, &oneLine}) {
        std::int64_t v[4];
        ASSERT_TRUE(r->integer(v[0]) && r->integer(v[1]) && r->integer(v[2]) && r->integer(v[3]));
        EXPECT_EQ(v[0] + v[1] * 10 + v[2] * 100 + v[3] * 1000, 4321);
    }
}

TEST(FieldReader, QuotedFieldKeepsCommasAndLineBreaks) {
    FieldReader r("\"a, b\" , \"line1\r\nline2\",x\r\n");
    std::string s1, s2, s3;
    ASSERT_TRUE(r.text(s1) && r.text(s2) && r.text(s3));
    EXPECT_EQ(s1, "a, b");
    EXPECT_EQ(s2, "line1\r\nline2");
    EXPECT_EQ(s3, "x");
}

TEST(FieldReader, MissingOrEmptyNumberIsZeroGarbageFails) {
    FieldReader r("7,,  ,abc");
    double a = -1, b = -1, c = -1, d = -1;
    EXPECT_TRUE(r.number(a));
    EXPECT_TRUE(r.number(b));
    EXPECT_TRUE(r.number(c));
    EXPECT_FALSE(r.number(d));
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(d, -1);
    EXPECT_TRUE(r.failed());
}

TEST(FieldReader, ReadPastEndFails) {
    FieldReader r("5");
    std::int64_t v = 0;
    EXPECT_TRUE(r.integer(v));
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.integer(v));
    EXPECT_TRUE(r.failed());
}

TEST(FieldReader, Int16OutOfRangeFailsAndRealsRoundHalfEven) {
    FieldReader r("32767,32768,2.5,3.5,-2.5");
    std::int16_t v = 0;
    EXPECT_TRUE(r.int16(v));
    EXPECT_EQ(v, 32767);
    EXPECT_FALSE(r.int16(v));
    EXPECT_TRUE(r.int16(v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(r.int16(v));
    EXPECT_EQ(v, 4);
    EXPECT_TRUE(r.int16(v));
    EXPECT_EQ(v, -2);
}

TEST(FieldReader, LineOrientedAcceptsCrLfLfAndCr) {
    FieldReader r("one\r\ntwo\nthree\rfour");
    std::string l;
    std::vector<std::string> got;
    while (!r.atEnd() && r.line(l)) {
        got.push_back(l);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"one", "two", "three", "four"}));
}

TEST(FieldReader, UnterminatedQuoteRunsToEndWithoutCrash) {
    FieldReader r("\"never closed, 1, 2");
    std::string s;
    ASSERT_TRUE(r.text(s));
    EXPECT_EQ(s, "never closed, 1, 2");
    EXPECT_TRUE(r.atEnd());
}

TEST(FieldReader, RandomBytesNeverCrashOrLoop) {
    std::mt19937 rng(42);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(rng() % 400, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(rng() % 256);
        }
        FieldReader r(bytes);
        int steps = 0;
        std::string s;
        double d;
        while (!r.atEnd() && steps < 10000) {
            if (steps % 3 == 0) {
                (void)r.text(s);
            } else if (steps % 3 == 1) {
                (void)r.number(d);
            } else {
                (void)r.line(s);
            }
            ++steps;
        }
        EXPECT_LT(steps, 10000) << "reader did not advance";
    }
}

TEST(FieldWriter, WritesCommaJoinedFieldsQuotedTextAndCrLf) {
    FieldWriter w;
    w.text("Config: <A>").endRecord();
    w.number(std::int64_t{3}).number(-5.0).number(2.5).text("w384").endRecord();
    EXPECT_EQ(w.str(), "\"Config: <A>\"\r\n3,-5,2.5,\"w384\"\r\n");
}

TEST(FieldWriter, RoundTripsThroughReader) {
    FieldWriter w;
    w.text("Name, with comma").number(0.001).number(std::int64_t{-32768}).endRecord();
    FieldReader r(w.str());
    std::string s;
    double d = 0;
    std::int16_t i = 0;
    ASSERT_TRUE(r.text(s) && r.number(d) && r.int16(i));
    EXPECT_EQ(s, "Name, with comma");
    EXPECT_DOUBLE_EQ(d, 0.001);
    EXPECT_EQ(i, -32768);
}

TEST(PlainNumber, ShortestDecimalWithoutExponent) {
    EXPECT_EQ(plainNumber(3.0), "3");
    EXPECT_EQ(plainNumber(2.345), "2.345");
    EXPECT_EQ(plainNumber(-0.5), "-0.5");
    EXPECT_EQ(plainNumber(1e-7), "0.0000001");
    EXPECT_EQ(plainNumber(0.1 + 0.2), "0.3");
}

TEST(SplitLines, MixedLineEndsAndNoPhantomLastLine) {
    EXPECT_EQ(splitLines("a\r\nb\nc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(splitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(splitLines("").empty());
}

}  // namespace
}  // namespace qv
