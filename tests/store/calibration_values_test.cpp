#include "store/calibration_values.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

// A calvalue.dat body with PinHole = channel % 8 and Gain = channel % 5 for `lines` lines.
std::string dataLines(int lines, const std::string& between = "") {
    std::string s;
    for (int c = 0; c < lines; ++c) {
        s += std::to_string(c) + "," + std::to_string(c % 8) + "," + std::to_string(c % 5) +
             "\r\n" + between;
    }
    return s;
}

TEST(CalibrationValues, StartingValuesFileLayout) {
    TempDir dir;
    CalibrationValues v;
    ASSERT_TRUE(writeStartingCalibrationValues(dir.path(), v));
    EXPECT_EQ(v.PinHole[384], 2);
    EXPECT_EQ(v.Gain[0], 3);
    const std::string text = readBytes(dir / "calvalue.dat");
    const std::string head = "\"<Num_Channel>, <PinHole>, <Gain> \"\r\n0,2,3\r\n1,2,3\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - 9), "383,2,3\r\n");
}

TEST(CalibrationValues, BothHeaderFormsAndBlankLinesReadAlike) {
    TempDir plain, readBack, blanks;
    writeBytes(plain / "calvalue.dat",
               "\"<Num_Channel>, <PinHole>, <Gain> \"\r\n" + dataLines(384));
    writeBytes(readBack / "calvalue.dat", "channel, power, gain\r\n" + dataLines(384));
    writeBytes(blanks / "calvalue.dat", "channel, power, gain\n\n" + dataLines(384, "\r\n  \n"));
    for (const TempDir* d : {&plain, &readBack, &blanks}) {
        CalibrationValues v;
        const auto r = readCalibrationValues(d->path(), v);
        EXPECT_EQ(r.status, CalibrationReadStatus::Ok);
        EXPECT_EQ(r.entries, 384);
        EXPECT_EQ(v.PinHole[13], 5);
        EXPECT_EQ(v.Gain[13], 3);
        EXPECT_EQ(v.PinHole[383], 7);
        EXPECT_EQ(v.Gain[383], 3);
    }
}

TEST(CalibrationValues, ValuesGoByLinePositionQuotesRemovedAndExtraLinesIgnored) {
    TempDir dir;
    std::string text = "h\r\n\"99\",\"6\",\"1\"\r\n\"7\",\"4\",\"0\"\r\n";
    for (int c = 2; c < 400; ++c) {
        text += "0," + std::to_string(c % 3) + ",-" + std::to_string(c % 2) + "\r\n";
    }
    writeBytes(dir / "calvalue.dat", text);
    CalibrationValues v;
    const auto r = readCalibrationValues(dir.path(), v);
    EXPECT_EQ(r.status, CalibrationReadStatus::Ok);
    EXPECT_EQ(r.entries, 385);
    EXPECT_EQ(v.PinHole[0], 6);
    EXPECT_EQ(v.Gain[0], 1);
    EXPECT_EQ(v.PinHole[1], 4);
    EXPECT_EQ(v.PinHole[384], 384 % 3);
    EXPECT_EQ(v.Gain[384], 0);
    EXPECT_EQ(v.Gain[383], -1);
}

TEST(CalibrationValues, BrokenFilesReportAndLeaveTheTablesAlone) {
    struct Case {
        std::string text;
        CalibrationReadStatus status;
        int badLine;
    };
    const std::vector<Case> cases = {
        {"", CalibrationReadStatus::Short, 0},
        {"header only\r\n", CalibrationReadStatus::Short, 0},
        {"h\r\n" + dataLines(100), CalibrationReadStatus::Short, 0},
        {"h\r\n" + dataLines(10) + "10,1\r\n" + dataLines(300), CalibrationReadStatus::Malformed,
         12},
        {"h\r\n0,x,3\r\n", CalibrationReadStatus::Malformed, 2},
        {"h\r\n0,2,40000\r\n", CalibrationReadStatus::Malformed, 2},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeBytes(dir / "calvalue.dat", c.text);
        CalibrationValues v;
        v.PinHole.fill(9);
        const auto r = readCalibrationValues(dir.path(), v);
        EXPECT_EQ(r.status, c.status) << c.text.substr(0, 40);
        EXPECT_EQ(r.badLine, c.badLine);
        EXPECT_EQ(v.PinHole[0], 9);
    }
    TempDir none;
    CalibrationValues v;
    EXPECT_EQ(readCalibrationValues(none.path(), v).status, CalibrationReadStatus::Missing);
}

TEST(CalibrationValues, WriteReadRoundTripWithEitherHeader) {
    for (auto header : {CalibrationHeader::Quoted, CalibrationHeader::ReadBack}) {
        TempDir dir;
        CalibrationValues v;
        for (int c = 0; c < kCalibrationEntries; ++c) {
            v.PinHole[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(c % 7);
            v.Gain[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(c % 4);
        }
        ASSERT_TRUE(writeCalibrationValues(dir.path(), v, header));
        CalibrationValues back;
        ASSERT_EQ(readCalibrationValues(dir.path(), back).status, CalibrationReadStatus::Ok);
        for (int c = 0; c < kCalibrationChannels; ++c) {
            ASSERT_EQ(back.PinHole[static_cast<std::size_t>(c)], c % 7);
            ASSERT_EQ(back.Gain[static_cast<std::size_t>(c)], c % 4);
        }
    }
}

}  // namespace
}  // namespace qv
