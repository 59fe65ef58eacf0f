#include <gtest/gtest.h>

#include "common/checked16.h"
#include "common/number_format.h"
#include "common/rounding.h"

namespace qv {
namespace {

TEST(Rounding, TiesGoToEven) {
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(-0.49), 0);
}

TEST(Checked16, LimitsAndTypedError) {
    EXPECT_EQ(add16(32766, 1), 32767);
    EXPECT_THROW(add16(32767, 1), Overflow16Error);
    EXPECT_EQ(sub16(-32767, 1), -32768);
    EXPECT_THROW(sub16(-32768, 1), Overflow16Error);
    EXPECT_THROW(mul16(256, 128), Overflow16Error);
    EXPECT_EQ(mul16(-256, 128), -32768);
    EXPECT_EQ(realToInt16(32767.4), 32767);
    EXPECT_THROW(realToInt16(32767.5), Overflow16Error);  // ties to even: 32768
    EXPECT_EQ(realToInt16(-32768.5), -32768);             // ties to even: -32768
    EXPECT_THROW(realToInt16(std::nan("")), Overflow16Error);
}

TEST(NumberFormat, PaddedAndFixedPatterns) {
    EXPECT_EQ(formatNumber(42, "00000"), "00042");
    EXPECT_EQ(formatNumber(3, "0000"), "0003");
    EXPECT_EQ(formatNumber(7, "000"), "007");
    EXPECT_EQ(formatNumber(123456, "000"), "123456");
    EXPECT_EQ(formatNumber(9, "00"), "09");
    EXPECT_EQ(formatNumber(12, "000000"), "000012");
    EXPECT_EQ(formatNumber(2.5, "0"), "2");
    EXPECT_EQ(formatNumber(20.0, "0.0"), "20.0");
    EXPECT_EQ(formatNumber(1.8, "0.0"), "1.8");
    EXPECT_EQ(formatNumber(3.14159, "0.000"), "3.142");
    EXPECT_EQ(formatNumber(-0.0001, "0.0"), "0.0");
    EXPECT_EQ(formatNumber(-5, "000"), "-005");
}

}  // namespace
}  // namespace qv
