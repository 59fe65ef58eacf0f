#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/cp1252.h"
#include "common/date_time.h"
#include "common/list_separator.h"
#include "common/scripted_ui.h"

namespace qv {
namespace {

TEST(Cp1252, RoundTripsEveryDefinedByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(Cp1252, KnownCharacters) {
    EXPECT_EQ(cp1252ToUtf8("\xe9t\xe9 \x80"), "\xc3\xa9t\xc3\xa9 \xe2\x82\xac");  // été €
    EXPECT_EQ(utf8ToCp1252("Gr\xc3\xbc\xc3\x9f"
                           "e"),
              "Gr\xfc\xdf"
              "e");                                // Grüße
    EXPECT_EQ(utf8ToCp1252("\xe4\xb8\xad"), "?");  // not in 1252
    EXPECT_EQ(utf8ToCp1252("\xc3"), "?");          // truncated
}

TEST(DateTime, FolderStampFormatAndParse) {
    const DateTime t{2024, 6, 14, 15, 30, 7, 0};
    EXPECT_EQ(formatFolderStamp(t), "20240614_1530");
    EXPECT_EQ(formatDisplayStamp(t), "14/06/2024 15:30");
    EXPECT_EQ(formatCompactStamp(t), "20240614153007");
    EXPECT_EQ(formatIsoStamp(t), "2024-06-14 15:30.07");
    auto p = parseFolderStamp("20231231_2300");
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->year, 2023);
    EXPECT_EQ(p->minute, 0);
    EXPECT_FALSE(parseFolderStamp("20231331_2300").has_value());
    EXPECT_FALSE(parseFolderStamp("20230229_1200").has_value());
    EXPECT_TRUE(parseFolderStamp("20240229_1200").has_value());
    EXPECT_FALSE(parseFolderStamp("2023123_23000").has_value());
    EXPECT_FALSE(parseFolderStamp("20231231-2300").has_value());
}

TEST(DateTime, EpochConversionRollsOverYearEnd) {
    const DateTime t{2023, 12, 31, 23, 59, 59, 500};
    const DateTime next = fromEpochMs(toEpochMs(t) + 500);
    EXPECT_EQ(next, (DateTime{2024, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(fromEpochMs(toEpochMs(DateTime{1969, 12, 31, 23, 0, 0, 0})),
              (DateTime{1969, 12, 31, 23, 0, 0, 0}));
}

TEST(TestClock, SleepAdvancesVirtualTimeAtOnce) {
    TestClock clock(DateTime{2024, 2, 28, 23, 59, 59, 990});
    clock.sleepMs(20);
    EXPECT_EQ(clock.now(), (DateTime{2024, 2, 29, 0, 0, 0, 10}));
    EXPECT_EQ(clock.monotonicMs(), 20);
    EXPECT_EQ(clock.totalSleptMs(), 20);
}

TEST(ListSeparator, FollowsDecimalPoint) {
    EXPECT_EQ(listSeparatorForDecimalPoint(","), ";");
    EXPECT_EQ(listSeparatorForDecimalPoint("."), ",");
    EXPECT_FALSE(systemListSeparator().empty());
}

TEST(ScriptedUi, RecordsAndAnswersInOrderAndRefusesSurprises) {
    ScriptedUi ui;
    ui.queueAnswer(Answer::Yes);
    ui.queueInput(std::string("My test"));
    ui.message("hello");
    EXPECT_EQ(ui.ask("Sure to Quit?", Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(ui.input("Name?", "Title", ""), std::optional<std::string>("My test"));
    EXPECT_THROW(ui.ask("Again?", Buttons::YesNo), UnexpectedQuestion);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"hello"});
    EXPECT_EQ(ui.questions.size(), 2u);
}

}  // namespace
}  // namespace qv
