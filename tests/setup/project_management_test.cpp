#include <gtest/gtest.h>

#include <filesystem>

#include "setup/project_actions.h"
#include "setup_fixture.h"
#include "store/project_load.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::SetupFixture;

ProjectSetup readBack(const fs::path& folder, std::int16_t number) {
    ScriptedUi quiet;
    ProjectSetup s;
    loadProjectSettings({folder, number, number}, s, quiet);
    EXPECT_TRUE(quiet.messages.empty()) << quiet.messages.front();
    return s;
}

TEST(NewProject, TakesTheNextNumberAndStartsAsACopyOfTheOpenProject) {
    SetupFixture f;
    f.store.setup().Aq_lapse = 45;
    f.store.setup().channelGroup[20] = 7;
    f.open();
    EXPECT_EQ(f.window.txtprj.text, "0_Default");
    f.ui.queueAnswer(Answer::Ok);
    f.ui.queueInput(std::string("Larvae"));
    f.window.Cmdnewpj_Click();

    EXPECT_EQ(f.ui.questions, std::vector<std::string>{"Do you like to Create a New Project?"});
    EXPECT_EQ(f.ui.prompts, std::vector<std::string>{"Enter the New Project Name"});
    EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages.front();
    EXPECT_EQ(f.window.txtprj.text, "1_Larvae");
    EXPECT_EQ(f.window.Txtfolder.text, workingFolderText(f.dir / "p00001"));
    EXPECT_EQ(f.store.projectPath(), f.dir / "p00001");
    EXPECT_EQ(f.configLine(), "1,1,4,0\r\n");
    const ProjectSetup saved = readBack(f.dir / "p00001", 1);
    EXPECT_EQ(saved.Num_proj, "1");
    EXPECT_EQ(saved.Name, "Larvae");
    EXPECT_EQ(saved.Aq_lapse, 45);
    EXPECT_EQ(saved.channelGroup[20], 7);
    EXPECT_EQ(saved.Plate_format, "w96f");
    // Project 0 keeps its own files.
    EXPECT_EQ(readBack(f.dir.path(), 0).Name, "Default");
}

// The input box names the number the project is going to get, also across the wrap.
class TitleUi : public ScriptedUi {
  public:
    std::vector<std::string> titles;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override {
        titles.push_back(title);
        return ScriptedUi::input(prompt, title, defaultText);
    }
};

TEST(NewProject, NumbersRunTo32000AndStartAgainAt1) {
    SetupFixture f;
    f.store.config().Last_Project = 31999;
    EXPECT_EQ(allocateProject(f.store, f.ui, "High").number, 32000);
    EXPECT_TRUE(fs::is_regular_file(f.dir / "p32000/setup.dat"));
    EXPECT_EQ(f.configLine(), "32000,32000,4,0\r\n");

    TitleUi ui;
    SetupWindow window(f.store, ui);
    window.Form_Load();
    ui.queueAnswer(Answer::Ok);
    ui.queueInput(std::string("Wrapped"));
    window.Cmdnewpj_Click();
    EXPECT_EQ(ui.titles, std::vector<std::string>{"Saving <1> with a new name"});
    EXPECT_EQ(window.txtprj.text, "1_Wrapped");
    EXPECT_TRUE(fs::is_regular_file(f.dir / "p00001/setup.dat"));
    EXPECT_EQ(f.store.config().Last_Project, 1);
    EXPECT_EQ(f.configLine(), "1,1,4,0\r\n");
}

TEST(NewProject, DecliningTheOverwriteKeepsTheCounterAdvancedInMemoryOnly) {
    SetupFixture f;
    fs::create_directory(f.dir / "p00001");
    f.open();
    f.ui.queueAnswer(Answer::Ok);
    f.ui.queueInput(std::string("Larvae"));
    f.ui.queueAnswer(Answer::No);
    f.window.Cmdnewpj_Click();
    EXPECT_EQ(f.ui.questions.back(),
              "The project number to generate (p00001already exists. do you like to overwrite?");
    EXPECT_EQ(f.store.config().Last_Project, 1);
    EXPECT_EQ(f.store.config().Actual_Project_Number, 0);
    EXPECT_EQ(f.window.txtprj.text, "0_Default");
    EXPECT_FALSE(fs::exists(f.dir / "p00001/setup.dat"));
    EXPECT_EQ(f.configLine(), "0,0,4,0\r\n");

    // The next allocation goes on from there and writes the counter.
    f.ui.queueAnswer(Answer::Ok);
    f.ui.queueInput(std::string("Second"));
    f.window.Cmdnewpj_Click();
    EXPECT_EQ(f.window.txtprj.text, "2_Second");
    EXPECT_EQ(f.configLine(), "2,2,4,0\r\n");
    EXPECT_TRUE(f.ui.scriptUsedUp());
}

TEST(NewProject, OverwritingKeepsTheFolderAndReplacesItsSettings) {
    SetupFixture f;
    f.writeProject(1, "Old");
    testing::writeBytes(f.dir / "p00001/notes.txt", "kept");
    f.open();
    f.ui.queueAnswer(Answer::Ok);
    f.ui.queueInput(std::string("New"));
    f.ui.queueAnswer(Answer::Yes);
    f.window.Cmdnewpj_Click();
    EXPECT_EQ(readBack(f.dir / "p00001", 1).Name, "New");
    EXPECT_EQ(testing::readBytes(f.dir / "p00001/notes.txt"), "kept");
    EXPECT_EQ(f.window.txtprj.text, "1_New");
}

TEST(NewProject, CancelAtEitherStepTakesNoNumber) {
    SetupFixture f;
    f.open();
    f.ui.queueAnswer(Answer::Cancel);
    f.window.Cmdnewpj_Click();
    f.ui.queueAnswer(Answer::Ok);
    f.ui.queueInput(std::nullopt);
    f.window.Cmdnewpj_Click();
    EXPECT_EQ(f.store.config().Last_Project, 0);
    EXPECT_FALSE(fs::exists(f.dir / "p00001"));
    EXPECT_EQ(f.window.txtprj.text, "0_Default");
}

TEST(NewProject, AnEmptyNameIsAcceptedAndQuotesCannotBreakTheFile) {
    SetupFixture f;
    f.open();
    f.ui.queueAnswer(Answer::Ok);
    f.ui.queueInput(std::string());
    f.window.Cmdnewpj_Click();
    EXPECT_EQ(f.window.txtprj.text, "1_");
    f.ui.queueAnswer(Answer::Ok);
    f.ui.queueInput(std::string("The \"big\" one"));
    f.window.Cmdnewpj_Click();
    EXPECT_EQ(readBack(f.dir / "p00002", 2).Name, "The 'big' one");
}

TEST(NewProject, AFolderThatCannotBeMadeIsReportedAndNothingIsWritten) {
    SetupFixture f;
    testing::writeBytes(f.dir / "p00001", "a file where the folder would go");
    EXPECT_EQ(allocateProject(f.store, f.ui, "X").outcome, AllocationOutcome::Failed);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0], "Cannot create the project folder " + (f.dir / "p00001").string());
    EXPECT_EQ(f.store.config().Actual_Project_Number, 0);
    EXPECT_EQ(f.configLine(), "0,0,4,0\r\n");
}

TEST(SaveProject, YesUpdatesTheOpenProjectInPlaceWithoutTouchingConfig) {
    SetupFixture f;
    f.open();
    f.store.setup().Aq_lapse = 77;
    f.store.config().Last_Project = 9;  // in memory only
    f.ui.queueAnswer(Answer::Yes);
    f.window.Cmdsavepj_Click();
    EXPECT_EQ(f.ui.questions,
              std::vector<std::string>{"Do you like to Update <0_Default> values?"});
    EXPECT_EQ(readBack(f.dir.path(), 0).Aq_lapse, 77);
    EXPECT_EQ(f.configLine(), "0,0,4,0\r\n");
    f.ui.queueAnswer(Answer::Cancel);
    f.window.Cmdsavepj_Click();
    EXPECT_TRUE(f.ui.scriptUsedUp());
}

TEST(SaveProject, ProjectZeroCannotBeRenamedButNoMovesItIntoANewProject) {
    SetupFixture f;
    f.store.setup().Aq_lapse = 61;
    f.open();
    f.window.txtprj_DblClick();
    EXPECT_EQ(f.ui.messages,
              std::vector<std::string>{"Not possible to rename the Default project. Save it with "
                                       "another Name"});
    EXPECT_EQ(f.window.txtprj.text, "0_Default");

    TitleUi ui;
    SetupWindow window(f.store, ui);
    window.Form_Load();
    ui.queueAnswer(Answer::No);
    ui.queueInput(std::string("Screen A"));
    window.Cmdsavepj_Click();
    EXPECT_EQ(ui.titles, std::vector<std::string>{"Saving <0_Default> with a new name"});
    EXPECT_EQ(window.txtprj.text, "1_Screen A");
    EXPECT_EQ(f.store.config().Actual_Project_Number, 1);
    EXPECT_EQ(readBack(f.dir / "p00001", 1).Aq_lapse, 61);
    EXPECT_EQ(readBack(f.dir.path(), 0).Name, "Default");
    EXPECT_EQ(f.configLine(), "1,1,4,0\r\n");
}

TEST(RenameProject, TheNewNameIsHeldInMemoryUntilTheNextSave) {
    SetupFixture f;
    f.writeProject(3, "Larvae");
    f.store.config().Actual_Project_Number = 3;
    f.store.chooseProjectPath();
    f.store.loadProjectSettings(3);
    f.open();
    EXPECT_EQ(f.window.txtprj.text, "3_Larvae");
    f.ui.queueInput(std::string());
    f.window.txtprj_DblClick();
    f.ui.queueInput(std::nullopt);
    f.window.txtprj_DblClick();
    EXPECT_EQ(f.window.txtprj.text, "3_Larvae");
    f.ui.queueInput(std::string("Zebra"));
    f.window.txtprj_DblClick();
    EXPECT_EQ(f.ui.prompts.back(), "Rename Project: Entre New Name");
    EXPECT_EQ(f.window.txtprj.text, "3_Zebra");
    EXPECT_EQ(readBack(f.dir / "p00003", 3).Name, "Larvae");
    f.ui.queueAnswer(Answer::Yes);
    f.window.Cmdsavepj_Click();
    EXPECT_EQ(readBack(f.dir / "p00003", 3).Name, "Zebra");
    EXPECT_TRUE(fs::is_directory(f.dir / "p00003"));
}

TEST(LoadProject, NoProjectFolderGivesAnEmptyList) {
    SetupFixture f;
    f.open();
    f.ui.queueAnswer(Answer::No);
    f.window.cmdLoad_Click();
    EXPECT_EQ(f.ui.questions,
              std::vector<std::string>{"Do you like to save current values before new load?"});
    EXPECT_TRUE(f.window.frm_project.visible);
    EXPECT_TRUE(f.window.List_project.items.empty());
    f.window.List_project_DblClick();  // nothing to choose
    f.window.Cmd_cancel_Click();
    EXPECT_FALSE(f.window.frm_project.visible);
    EXPECT_EQ(f.store.config().Actual_Project_Number, 0);
}

TEST(LoadProject, ListsProjectFoldersWithSettingsInNameOrder) {
    SetupFixture f;
    f.writeProject(2, "Second");
    f.writeProject(1, "First");
    fs::create_directory(f.dir / "p00003");           // no setup.dat: left out
    fs::create_directories(f.dir / "p0004.x");        // has an extension
    fs::create_directories(f.dir / "q00005");         // not a project name
    testing::writeBytes(f.dir / "p00006", "a file");  // not a folder
    testing::writeBytes(f.dir / "p00007/setup.dat", "\"too short\"\r\n");
    f.open();
    f.ui.queueAnswer(Answer::No);
    f.window.cmdLoad_Click();
    EXPECT_EQ(
        f.window.List_project.items,
        (std::vector<std::string>{"p00001_First", "p00002_Second", "p00007_SETUP NOT FOUND!!"}));
}

TEST(LoadProject, YesSavesFirstAndCancelShowsNoList) {
    SetupFixture f;
    f.open();
    f.store.setup().Aq_lapse = 88;
    f.ui.queueAnswer(Answer::Cancel);
    f.window.cmdLoad_Click();
    EXPECT_FALSE(f.window.frm_project.visible);
    EXPECT_EQ(readBack(f.dir.path(), 0).Aq_lapse, 30);
    f.ui.queueAnswer(Answer::Yes);
    f.window.cmdLoad_Click();
    EXPECT_TRUE(f.window.frm_project.visible);
    EXPECT_EQ(readBack(f.dir.path(), 0).Aq_lapse, 88);
}

TEST(LoadProject, ChoosingAnEntryMakesItCurrentAndRefreshesTheWindow) {
    SetupFixture f;
    f.writeProject(1, "First");
    f.writeProject(2, "Second");
    f.open();
    f.ui.queueAnswer(Answer::No);
    f.window.cmdLoad_Click();
    f.window.List_project.listIndex = 1;
    f.window.List_project_DblClick();
    EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages.front();
    EXPECT_EQ(f.store.config().Actual_Project_Number, 2);
    EXPECT_EQ(f.store.projectPath(), f.dir / "p00002");
    EXPECT_EQ(f.store.setup().Name, "Second");
    EXPECT_EQ(f.configLine(), "2,2,4,0\r\n");
    EXPECT_EQ(f.window.txtprj.text, "2_Second");
    EXPECT_EQ(f.window.Txtlapse.text, "102");
    EXPECT_FALSE(f.window.frm_project.visible);
    // The next new project follows the one chosen, as it would after a restart.
    f.ui.queueAnswer(Answer::Ok);
    f.ui.queueInput(std::string("Third"));
    f.window.Cmdnewpj_Click();
    EXPECT_EQ(f.window.txtprj.text, "3_Third");
}

TEST(LoadProject, AnEntryNumberedZeroWorksInTheApplicationFolder) {
    SetupFixture f;
    f.writeProject(1, "First");
    f.store.config().Actual_Project_Number = 1;
    f.store.chooseProjectPath();
    f.store.loadProjectSettings(1);
    f.open();
    testing::writeBytes(f.dir / "p00000/setup.dat", testing::readBytes(f.dir / "setup.dat"));
    f.ui.queueAnswer(Answer::No);
    f.window.cmdLoad_Click();
    ASSERT_EQ(f.window.List_project.items.front(), "p00000_Default");
    f.window.List_project.listIndex = 0;
    f.window.List_project_DblClick();
    EXPECT_EQ(f.store.config().Actual_Project_Number, 0);
    EXPECT_EQ(f.store.projectPath(), f.dir.path());
    EXPECT_EQ(f.window.txtprj.text, "0_Default");
    EXPECT_EQ(f.configLine(), "0,0,4,0\r\n");
}

TEST(LoadProject, EntryNumbersAreReadFromTheFolderName) {
    EXPECT_EQ(projectNumberOfEntry("p00012_Larvae"), 12);
    EXPECT_EQ(projectNumberOfEntry("p32000_x"), 32000);
    EXPECT_EQ(projectNumberOfEntry("p00000_Default"), 0);
    // A letter in second place: the last four characters carry the number.
    EXPECT_EQ(projectNumberOfEntry("pX0012_y"), 12);
    EXPECT_EQ(projectNumberOfEntry("p99999_far"), std::nullopt);
    EXPECT_EQ(projectNumberOfEntry(""), std::nullopt);
    EXPECT_EQ(projectNumberOfEntry("p0001"), std::nullopt);
}

TEST(LeaveSetup, ContinueToRunFillsTheMainWindowAndShowsIt) {
    SetupFixture f;
    f.store.setup().Mn1[mn1::Organism] = 3;
    f.store.setup().Mn1[mn1::SNRx10] = 0;
    f.store.setup().DSP_Method = 3;
    f.open();
    f.window.cmd_advanced_Click();
    f.window.Txt_description.text = "Dose 2";
    f.window.Command_main_Click();
    EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 8);
    EXPECT_EQ(f.lbl_detection.text, "Detection Mode3, Drosophila [snr 0.8]");
    EXPECT_EQ(f.txt_snr_umbral.text, "0.8");
    EXPECT_EQ(f.Cmb_organism.listIndex, 3);
    EXPECT_EQ(f.Cmb_organism.text, "Drosophila");
    EXPECT_EQ(f.Txt_description.text, "Dose 2");
    EXPECT_FALSE(f.window.cmd_advanced.visible);
    EXPECT_FALSE(f.window.Frame_advanced.visible);
    EXPECT_FALSE(f.window.Frm_setup.visible);
    EXPECT_EQ(f.runWindowShown, 1);
    EXPECT_EQ(f.startScreenShown, 0);
}

TEST(LeaveSetup, BackFillsTheDetectionLineWithoutTheOrganismDefault) {
    SetupFixture f;
    f.store.setup().Mn1[mn1::Organism] = 3;
    f.store.setup().Mn1[mn1::SNRx10] = 0;
    f.open();
    f.window.Txt_description.text = "not copied";
    f.window.Cmdoffline_Click();
    EXPECT_EQ(f.store.setup().Mn1[mn1::SNRx10], 0);
    EXPECT_EQ(f.lbl_detection.text, "Detection Mode1, Drosophila [snr 0.0]");
    EXPECT_EQ(f.Txt_description.text, "");
    EXPECT_EQ(f.startScreenShown, 1);
    EXPECT_EQ(f.runWindowShown, 0);
    EXPECT_FALSE(f.window.Frm_setup.visible);
}

TEST(LeaveSetup, ClosingCopiesTheNotesAndNeverLeavesTheProgramWithoutAWindow) {
    SetupFixture f;
    f.open();
    f.window.Txt_description.text = "closing";
    f.Frm_Main.visible = true;
    f.window.Form_Unload();
    EXPECT_EQ(f.Txt_description.text, "closing");
    EXPECT_FALSE(f.window.Frm_setup.visible);
    EXPECT_EQ(f.startScreenShown, 0);
    f.open();
    f.Frm_Main.visible = false;
    f.window.Form_Unload();
    EXPECT_EQ(f.startScreenShown, 1);
}

TEST(SetupLoad, AnUnnamedProjectIsLoadedFirst) {
    SetupFixture f;
    f.store.setup().Name.clear();
    f.store.setup().Aq_lapse = 5;
    f.open();
    EXPECT_EQ(f.store.setup().Name, "Default");
    EXPECT_EQ(f.window.Txtlapse.text, "30");
    EXPECT_EQ(f.window.txtprj.text, "0_Default");
}

}  // namespace
}  // namespace qv
