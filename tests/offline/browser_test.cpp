#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "offline/archive.h"
#include "offline/browser_rows.h"
#include "offline_fixture.h"
#include "store/acquisition_description.h"
#include "support/file_size_limit.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::everyMinute;
using testing::OfflineFixture;
using testing::readBytes;
using testing::writeBytes;

const auto kNoCounts = [](int, int) { return 1; };

// Two projects as a lab leaves them, plus what the list must pass over: a seven-character
// project folder, a project without setup.dat, an acquisition without counts.bin and an
// archived one.
struct TwoProjects : OfflineFixture {
    TwoProjects() {
        project("p00001", "Alpha");
        acquisition("p00001", "20240101_0900", "wild type day", everyMinute(10, kNoCounts));
        acquisition("p00001", "20240102_1000", "second alpha", everyMinute(10, kNoCounts));
        fs::create_directories(dir / "p00001" / "20240103_1100");  // no counts.bin
        acquisition("p00001", "20231231_2300removed202401011200", "gone",
                    everyMinute(10, kNoCounts));
        project("p00002", "Beta");
        acquisition("p00002", "20240614_1530", "wild mutant type", everyMinute(10, kNoCounts));
        project("p000001", "Seven");
        fs::create_directories(dir / "p00009");
    }
};

TEST(BrowserRows, RowTextsAndWhatTheyAreReadFrom) {
    EXPECT_EQ(projectRow("20240614_1530", "p00003", "Larvae"), "+ 2024.0614\tp00003_Larvae");
    EXPECT_EQ(projectRow("", "p00003", "Larvae"), "+         \tp00003_Larvae");
    EXPECT_EQ(acquisitionRow("20240614_1530", "day 1", false, "[K1]"),
              "  > 2024.0614\t ACQ15:30 \"day 1\"");
    EXPECT_EQ(acquisitionRow("20240614_1530", "day 1", true, "[K1]"),
              "  > 2024.0614\t ACQ15:30 \"day 1\"\t\t[K1]");
    EXPECT_EQ(projectNameOfTitle("<Project> p00003: Larvae 2"), "Larvae 2");
    EXPECT_TRUE(isProjectFolderName("p00001"));
    EXPECT_FALSE(isProjectFolderName("p000001"));
    EXPECT_FALSE(isAcquisitionFolderName("20240101_0900removed202401011200"));
    EXPECT_EQ(reportCaption("short"), "short => REPORT");
    EXPECT_EQ(reportCaption(std::string(60, 'a')), std::string(50, 'a') + ".. => REPORT");
}

TEST(BrowserRows, FilterTermsKeepQuotedPhrasesWhole) {
    EXPECT_EQ(filterTerms("wild  \"mutant type\" x"),
              (std::vector<std::string>{"wild", "mutant type", "x"}));
    EXPECT_EQ(filterTerms("a b c d e f g h i j k l").size(), 10u);
    EXPECT_TRUE(filterTerms("  ").empty());
    EXPECT_EQ(lowerCase("\xC4"
                        "BC"),
              "\xE4"
              "bc");  // Windows-1252 capitals too
}

TEST(Browser, ListsProjectsWithSettingsNewestFirstAndExpandsOnDoubleClick) {
    TwoProjects f;
    f.open();
    ASSERT_EQ(f.window.Listpj.items,
              (std::vector<std::string>{"+ 2024.0614\tp00002_Beta", "+ 2024.0101\tp00001_Alpha"}));
    EXPECT_EQ(f.window.lbl_orden.text, "v");
    EXPECT_FALSE(f.window.cmdchannels.enabled);

    f.openRow("p00001_Alpha");
    EXPECT_EQ(f.window.Listpj.items,
              (std::vector<std::string>{"+ 2024.0614\tp00002_Beta", "+ 2024.0101\tp00001_Alpha",
                                        "  > 2024.0102\t ACQ10:00 \"second alpha\"",
                                        "  > 2024.0101\t ACQ09:00 \"wild type day\""}));
    EXPECT_TRUE(f.window.browser().expanded("p00001"));
    EXPECT_EQ(f.window.Listpj.listIndex, 1);  // the selection stays on the project

    f.window.lbl_headdate_Click();
    EXPECT_EQ(f.window.lbl_orden.text, "^");
    EXPECT_EQ(f.window.Listpj.items[0], "+ 2024.0101\tp00001_Alpha");
    EXPECT_EQ(f.window.Listpj.items[1], "  > 2024.0101\t ACQ09:00 \"wild type day\"");

    f.openRow("p00001_Alpha");
    EXPECT_FALSE(f.window.browser().expanded("p00001"));
    EXPECT_EQ(f.window.Listpj.items.size(), 2u);
    EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages.front();
}

TEST(Browser, FilterNarrowsTermByTermAndAQuotedPhraseMatchesWhole) {
    TwoProjects f;
    f.open();
    f.window.txt_search.text = "\"wild type\"";
    f.window.cmd_lupa_Click();
    EXPECT_TRUE(f.window.browser().filterOn());
    EXPECT_EQ(f.window.Listpj.items, std::vector<std::string>{"+ 2024.0101\tp00001_Alpha"});

    f.window.txt_search.text = "WILD type";
    f.window.cmd_lupa_Click();
    EXPECT_EQ(f.window.Listpj.items.size(), 2u);

    f.window.txt_search.text = "alpha wild";
    f.window.cmd_lupa_Click();
    EXPECT_EQ(f.window.Listpj.items, std::vector<std::string>{"+ 2024.0101\tp00001_Alpha"});
    f.openRow("p00001_Alpha");
    // An expanded project kept by the filter shows all its acquisitions.
    EXPECT_EQ(f.window.Listpj.items.size(), 3u);

    f.window.txt_search.text = "beta alpha";
    f.window.cmd_lupa_Click();
    EXPECT_TRUE(f.window.Listpj.items.empty());

    f.window.txt_search.text = "";
    f.window.cmd_lupa_Click();
    EXPECT_FALSE(f.window.browser().filterOn());
    EXPECT_EQ(f.window.Listpj.items.size(), 4u);

    f.window.txt_search.text = "beta";
    f.window.cmd_lupa_Click();
    f.window.lbl_headproject_Click();  // filter off, every project collapsed
    EXPECT_FALSE(f.window.browser().filterOn());
    EXPECT_EQ(f.window.txt_search.text, "");
    EXPECT_EQ(f.window.Listpj.items.size(), 2u);
}

TEST(Browser, OpeningAnAcquisitionComposesItsSummaryNotesTagsAndGroups) {
    OfflineFixture f;
    f.project("p00002", "Beta");
    testing::AcquisitionFixture low;
    low.snrx10 = 3;
    low.organism = 1;
    f.acquisition("p00002", "20240614_1530", "larvae day", everyMinute(10, kNoCounts), low);
    writeBytes(f.dir / "p00002" / "tags_id.dat", "20240614_1530 [K1][Rep2]\r\n");
    f.open();
    f.openAcquisition("p00002", "15:30");
    const std::string acqRow = "  > 2024.0614\t ACQ15:30 \"larvae day\"\t\t[K1][Rep2]";
    ASSERT_EQ(f.window.Listpj.items[1], acqRow);
    EXPECT_EQ(f.window.item().summary,
              "\t***** PROJECT ******\r\n\t+ 2024.0614\tp00002_Beta\r\n\t" + acqRow +
                  "\r\n\t***** CONFIG ******\r\n\tMicroplate format: [w96f]\r\n\tAcquisition "
                  "Lapse = 30min\r\n\tSetting: Mode1\r\n\t[Zebrafish SNR=1.8]");
    EXPECT_EQ(f.window.Txt_description.text, "first run");
    EXPECT_EQ(f.window.Cmd_report.text, acqRow + " => REPORT");
    EXPECT_EQ(f.window.List_tags.items, (std::vector<std::string>{"[K1]", "[Rep2]"}));
    EXPECT_TRUE(f.window.List_tags.visible);
    EXPECT_EQ(f.window.lstgrup_plot.items,
              (std::vector<std::string>{"999_Free", "000_Control", "001_Larvae", "002_Mutants"}));
    for (const Control* c : {&f.window.cmdchannels, &f.window.Cmd_analyze, &f.window.Cmd_report,
                             &f.window.Cmd_leegroups}) {
        EXPECT_TRUE(c->enabled) << c->name;
    }
    EXPECT_EQ(f.window.item().path, f.dir / "p00002" / "20240614_1530");

    f.window.Cmd_report_Click();
    EXPECT_EQ(f.reportsShown, std::vector<fs::path>{f.dir / "p00002" / "20240614_1530"});
    fs::remove(f.dir / "p00002" / "20240614_1530" / "counts.bin");
    f.window.Cmd_report_Click();
    EXPECT_EQ(f.ui.messages.back(), "Activity file not Found");
    EXPECT_EQ(f.reportsShown.size(), 1u);
}

TEST(Browser, APlateFormatIsReadFromItsBackupOrSaidMissing) {
    OfflineFixture f;
    f.project("p00002", "Beta");
    testing::AcquisitionFixture odd;
    odd.plateFormat = "w77";
    f.acquisition("p00002", "20240614_1530", "odd plate", everyMinute(10, kNoCounts), odd);
    f.open();
    f.openAcquisition("p00002", "15:30");
    EXPECT_EQ(f.ui.messages.back(), "Multiwell Configuration File w77.dat or .bak not found");
    EXPECT_FALSE(f.window.item().plateLoaded);
    f.window.Cmd_gridplot_Click();  // no plate: said again, nothing drawn as a wrong plate
    EXPECT_EQ(f.ui.messages.back(), "Multiwell Configuration File w77.dat or .bak not found");

    fs::copy_file(f.dir / "w96f.dat", f.dir / "w77.bak");
    f.ui.messages.clear();
    f.openRow("ACQ15:30");
    EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages.front();
    EXPECT_TRUE(f.window.item().plateLoaded);
    EXPECT_EQ(f.window.item().plate.rows, 8);
}

TEST(Browser, RenamesProjectsAndAcquisitionsInTheirFiles) {
    TwoProjects f;
    f.open();
    f.openRow("p00001_Alpha");
    f.select(f.rowWith("p00001_Alpha"));
    f.ui.queueInput("Gamma");
    f.window.mnrename_Click();
    EXPECT_EQ(f.ui.prompts.back(), "Enter Name of project");
    EXPECT_EQ(f.window.Listpj.items[1], "+ 2024.0101\tp00001_Gamma");
    EXPECT_EQ(f.window.Listpj.listIndex, 1);

    f.select(f.rowWith("ACQ09:00"));
    f.ui.queueInput("say \"hello\"");
    f.window.mnrename_Click();
    EXPECT_EQ(f.ui.prompts.back(), "Enter Name of acquisition");
    EXPECT_EQ(readAcquisitionName(f.dir / "p00001" / "20240101_0900"), "say 'hello'");
    EXPECT_GE(f.rowWith("ACQ09:00 \"say 'hello'\""), 0);

    f.ui.queueInput(std::string());  // an empty answer renames nothing
    f.window.mnrename_Click();
    EXPECT_EQ(readAcquisitionName(f.dir / "p00001" / "20240101_0900"), "say 'hello'");
    EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages.front();
}

TEST(Browser, ARenameThatCannotBeWrittenSaysSoAndKeepsTheStoredName) {
    TwoProjects f;
    f.open();
    f.openRow("p00001_Alpha");
    const fs::path acq = f.dir / "p00001" / "20240101_0900";
    const std::string before = readBytes(acq / "subproj.dat");
    f.select(f.rowWith("ACQ09:00"));
    f.ui.queueInput("a much longer name than the disk has room for");
    {
        testing::FileSizeLimit full(8);
        f.window.mnrename_Click();
    }
    ASSERT_FALSE(f.ui.messages.empty());
    EXPECT_EQ(f.ui.messages.back().rfind("Error Renaming", 0), 0u) << f.ui.messages.back();
    EXPECT_EQ(readBytes(acq / "subproj.dat"), before);
    EXPECT_GE(f.rowWith("\"wild type day\""), 0);
}

TEST(Browser, ArchivingRenamesTheFolderOutOfTheListAndDeletesNothing) {
    TwoProjects f;
    f.open();
    f.openRow("p00001_Alpha");
    f.select(f.rowWith("p00001_Alpha"));
    f.window.mndelete_Click();
    EXPECT_EQ(f.ui.messages.back(), "Remove function only available for subprojects");

    f.openRow("ACQ09:00");  // opened, so archiving it also closes it
    f.select(f.rowWith("ACQ09:00"));
    f.ui.queueAnswer(Answer::No);
    f.window.mndelete_Click();
    EXPECT_TRUE(fs::exists(f.dir / "p00001" / "20240101_0900"));

    const std::string counts = readBytes(f.dir / "p00001" / "20240101_0900" / "counts.bin");
    f.ui.queueAnswer(Answer::Yes);
    f.ui.queueAnswer(Answer::Ok);
    f.window.mndelete_Click();
    EXPECT_EQ(f.ui.questions, (std::vector<std::string>{"Remove folder from the list?",
                                                        "Remove folder from the list?",
                                                        "Files are going to be archived!"}));
    // 14 June 2024 15:30:00 on the test clock: year, month, day, hour and seconds.
    const fs::path archived = f.dir / "p00001" / "20240101_0900removed202406141500";
    EXPECT_FALSE(fs::exists(f.dir / "p00001" / "20240101_0900"));
    EXPECT_EQ(readBytes(archived / "counts.bin"), counts);
    EXPECT_EQ(f.rowWith("ACQ09:00"), -1);
    EXPECT_FALSE(f.window.item().isOpen());
    EXPECT_FALSE(f.window.cmdchannels.enabled);
}

TEST(Browser, AnArchiveThatCannotBeMadeLeavesTheAcquisitionWhereItWas) {
    TwoProjects f;
    f.open();
    f.openRow("p00001_Alpha");
    const fs::path acq = f.dir / "p00001" / "20240101_0900";
    const std::string counts = readBytes(acq / "counts.bin");
    auto archiveRow = [&] {
        f.select(f.rowWith("ACQ09:00"));
        f.ui.queueAnswer(Answer::Yes);
        f.ui.queueAnswer(Answer::Ok);
        f.window.mndelete_Click();
    };

    // A folder already has the archived name: it is neither replaced nor merged into.
    const fs::path taken = f.dir / "p00001" / "20240101_0900removed202406141500";
    writeBytes(taken / "note.txt", "archived before");
    archiveRow();
    EXPECT_EQ(f.ui.messages.back().rfind("Error", 0), 0u);
    EXPECT_NE(f.ui.messages.back().find("already there"), std::string::npos);
    EXPECT_EQ(readBytes(taken / "note.txt"), "archived before");
    EXPECT_FALSE(fs::exists(taken / "counts.bin"));
    fs::remove_all(taken);

    // A folder in use by another program, and a read-only disk.
    for (const int err : {EBUSY, EROFS}) {
        f.window.renameFolder = [err](const fs::path&, const fs::path&) {
            return std::error_code(err, std::generic_category());
        };
        archiveRow();
        EXPECT_NE(f.ui.messages.back().find(err == EBUSY ? "in use" : "read-only"),
                  std::string::npos)
            << f.ui.messages.back();
    }
    EXPECT_EQ(readBytes(acq / "counts.bin"), counts);
    EXPECT_GE(f.rowWith("ACQ09:00"), 0);
}

TEST(Browser, RenameWithoutReplacingRefusesAnExistingTarget) {
    testing::TempDir dir;
    writeBytes(dir / "a" / "x", "a");
    fs::create_directories(dir / "b");  // empty: a plain rename would replace it
    EXPECT_EQ(renameWithoutReplacing(dir / "a", dir / "b"), std::errc::file_exists);
    EXPECT_EQ(readBytes(dir / "a" / "x"), "a");
    EXPECT_FALSE(renameWithoutReplacing(dir / "a", dir / "c"));
    EXPECT_EQ(readBytes(dir / "c" / "x"), "a");
}

TEST(Browser, NotesAreSavedWhenTheBoxIsLeftAfterAChange) {
    TwoProjects f;
    f.open();
    f.openAcquisition("p00002", "15:30");
    const fs::path acq = f.dir / "p00002" / "20240614_1530";
    f.window.Txt_description_LostFocus();  // not changed: nothing written
    EXPECT_FALSE(fs::exists(acq / "subproj.bak"));
    f.window.Txt_description.text = "fed at 10:00\r\nsecond line";
    f.window.Txt_description_Change();
    f.window.Txt_description_LostFocus();
    EXPECT_EQ(readAcquisitionComments(acq), "fed at 10:00\r\nsecond line");
    EXPECT_EQ(readAcquisitionName(acq), "wild mutant type");
}

TEST(Browser, WatchedFoldersAreReadAndChosen) {
    TwoProjects f;
    fs::create_directories(f.dir / "watched");
    writeBytes(f.dir / "foldview.dat",
               "_folder1\r\n" + (f.dir / "watched").string() + "\r\n/no/such/folder\r\n");
    f.open();
    EXPECT_EQ(f.window.txtfolder[0]->text, "_folder1");
    EXPECT_EQ(f.window.txtfolder[1]->text, (f.dir / "watched").string());
    EXPECT_EQ(f.window.txtfolder[2]->text, "_folder3");
    f.ui.queueInput(f.dir.path().string());
    f.window.txtfolder_Click(4);
    EXPECT_EQ(f.window.txtfolder[4]->text, f.dir.path().string());
    EXPECT_EQ(readWatchedFolders(f.dir.path()).captions[4], f.dir.path().string());
}

TEST(Browser, AProjectFolderGoneSinceTheListingIsSaid) {
    TwoProjects f;
    f.open();
    fs::remove_all(f.dir / "p00002");
    f.openRow("p00001_Alpha");
    ASSERT_FALSE(f.ui.messages.empty());
    EXPECT_EQ(f.ui.messages.back().rfind("ERROR:#pj", 0), 0u);
    EXPECT_EQ(f.window.Listpj.items, std::vector<std::string>{"+ 2024.0101\tp00001_Alpha"});
}

TEST(Browser, FindInFolderAndBackToTheStartScreen) {
    TwoProjects f;
    f.open();
    f.openRow("p00001_Alpha");
    f.select(f.rowWith("ACQ10:00"));
    f.window.mnfind_Click();
    ASSERT_EQ(f.ui.opened.size(), 1u);
    EXPECT_EQ(f.ui.opened[0].path, (f.dir / "p00001" / "20240102_1000").string());
    EXPECT_EQ(f.ui.opened[0].kind, ExternalKind::FileBrowser);
    f.select(f.rowWith("p00001_Alpha"));
    f.window.Listpj_RightClick();
    EXPECT_EQ(f.window.popupMenu, "mnpj");
    f.window.Cmd_main_Click();
    EXPECT_EQ(f.startScreenShown, 1);
    EXPECT_FALSE(f.window.Frm_offline.visible);
}

}  // namespace
}  // namespace qv
