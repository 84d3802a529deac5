// The configuration, media and resolution set editors, driven through the scripted
// headless interface on the sample dispatcher's configuration files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <locale>
#include <map>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "ripconfig/configuration_dialog.h"
#include "ripconfig/media_dialog.h"
#include "ripconfig/number_text.h"
#include "ripconfig/resolution_dialogs.h"
#include "tests/ripconfig/dispatcher_files.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::ripconfig {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A locale that writes decimals with a comma, as de_DE does.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};
std::locale CommaLocale() { return std::locale(std::locale::classic(), new CommaPunct); }

class EditorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteDispatcher(dir);
    test::WriteFile(dir / "Press/data/zvPress_dispatcher.ini", "[global]\noutput=Press\n");
    SetBitsPerSpot(1);
    test::WriteFile(dir / "curves/Zeta.scrdgc", "");
    test::WriteFile(dir / "curves/alpha press.icpro", "");
    test::WriteFile(dir / "curves/Simple.dgc", "");
    context.handle = ravlcfg_open(dir / "Press/data/zv_config.res");
    ASSERT_NE(context.handle, nullptr);
    ASSERT_EQ(ravlcfg_gain_writelock(context.handle, 0), 1);
    context.configPath = dir / "Press/data/zv_config.res";
  }
  void TearDown() override { ravlcfg_close(&context.handle); }

  void SetBitsPerSpot(int bits) {
    test::WriteFile(dir / "Press/data/Press.fid", "[BitsPerSpot]\nValue=" + std::to_string(bits) + "\n");
  }
  // The next run of dialog `name` (a model of type M) is filled by `fill` and closed with Ok.
  template <class M, class F>
  void QueueOk(const std::string& name, F fill, ui::DialogResult result = ui::DialogResult::Ok) {
    ui.QueueDialog(name, [fill, result](ui::IDialogModel& model) {
      fill(dynamic_cast<M&>(model));
      return result;
    });
  }
  RavlcfgHandle& Store() { return *context.handle; }

  test::TempDir dir;
  test::ScopedEnv curves{"KW_DATA_DGC", dir / "curves"};
  ui::HeadlessUserInterface ui;
  ui::ScopedUserInterface scoped{ui};
  EditorContext context;
};

// --- Configuration dialog ---

struct ConfigurationCase {
  const char* label;
  EditorMode mode;
  std::string name;
  bool media = true, set = true;
  std::string output;
  int message;  // 0: accepted
};

class ConfigurationOkTest : public EditorsTest, public ::testing::WithParamInterface<ConfigurationCase> {};

TEST_P(ConfigurationOkTest, ChecksInOrder) {
  const ConfigurationCase& c = GetParam();
  CConfiguration dialog(context, c.mode, "A4");
  dialog.OnInitDialog();
  dialog.Name = c.name;
  dialog.OutputFolder = c.output == "<temp>" ? dir.Path() : c.output;
  if (!c.media) dialog.Media.used = -1;
  if (!c.set) dialog.Sets.used = -1;
  if (c.mode == EditorMode::New && c.media) dialog.Media.used = 0;
  if (c.mode == EditorMode::New && c.set) dialog.Sets.used = 1;
  const bool accepted = dialog.OnOk();
  EXPECT_EQ(accepted, c.message == 0);
  if (c.message != 0) {
    EXPECT_THAT(ui.MessageTexts(), ElementsAre(MessageText(c.message)));
  } else {
    EXPECT_THAT(ui.MessageTexts(), IsEmpty());
    EXPECT_NE(Store().FindConf(c.name), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigurationOkTest,
    ::testing::Values(ConfigurationCase{"Empty", EditorMode::New, "", true, true, "", msg::kConfigurationNameMissing},
                      ConfigurationCase{"Blank", EditorMode::New, "a b", true, true, "",
                                        msg::kConfigurationNameCharacters},
                      ConfigurationCase{"Hash", EditorMode::Modify, "a#b", true, true, "",
                                        msg::kConfigurationNameCharacters},
                      ConfigurationCase{"Exists", EditorMode::New, "a4", true, true, "", msg::kConfigurationExists},
                      ConfigurationCase{"ExistsInOtherCase", EditorMode::New, "MAXSIZE", true, true, "",
                                        msg::kConfigurationExists},
                      ConfigurationCase{"SetName", EditorMode::New, "Set_1", true, true, "", msg::kNameInResourceFiles},
                      ConfigurationCase{"NameRecord", EditorMode::New, "pavonet", true, true, "",
                                        msg::kNameInResourceFiles},
                      ConfigurationCase{"ModifyKeepsName", EditorMode::Modify, "A4", true, true, "", 0},
                      ConfigurationCase{"NoMedia", EditorMode::New, "Letter", false, true, "",
                                        msg::kMediaAndSetMissing},
                      ConfigurationCase{"NoSet", EditorMode::Modify, "A4", true, false, "", msg::kMediaAndSetMissing},
                      ConfigurationCase{"NoFolder", EditorMode::New, "Letter", true, true, "/no/such/folder",
                                        msg::kOutputPathMissing},
                      ConfigurationCase{"Folder", EditorMode::New, "Letter", true, true, "<temp>", 0}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(EditorsTest, NewConfigurationTakesTheChosenFilmsValues) {
  CConfiguration dialog(context, EditorMode::New, "");
  QueueOk<CConfiguration>("Configuration", [](CConfiguration& d) {
    d.Name = "Letter";
    d.OnMediaDoubleClick(1);  // A4
    d.OnSetDoubleClick(0);    // set_0
  });
  ASSERT_EQ(dialog.Run(), ui::DialogResult::Ok);
  EXPECT_EQ(dialog.Title(), "New Configuration");
  const ConfigRecord* conf = Store().FindConf("Letter");
  ASSERT_NE(conf, nullptr);
  EXPECT_EQ(conf->film, "A4");
  EXPECT_EQ(conf->set, "set_0");
  EXPECT_EQ(conf->verticalSize, 11693);
  EXPECT_EQ(conf->polarity, 0);
  EXPECT_EQ(conf->curve, "Plate DGC");
}

TEST_F(EditorsTest, DeletingTheUsedOrTheLastMediaIsRefusedWithoutAQuestion) {
  CConfiguration dialog(context, EditorMode::Modify, "A4");
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.Title(), "Modify Configuration A4");
  EXPECT_EQ(dialog.Media.UsedName(), "A4");
  dialog.OnMediaClick(dialog.Media.used);
  dialog.OnMediaDelete();
  dialog.OnSetClick(dialog.Sets.used);
  dialog.OnSetDelete();
  EXPECT_THAT(ui.MessageTexts(), ElementsAre(MessageText(msg::kLastMedia), MessageText(msg::kLastResolutionSet)));
  EXPECT_EQ(Store().FilmCount(), 2);
}

TEST_F(EditorsTest, ViewModeEnablesOnlyView) {
  CConfiguration dialog(context, EditorMode::View, "A4");
  dialog.OnInitDialog();
  dialog.OnMediaClick(0);
  EXPECT_TRUE(dialog.ViewEnabled(dialog.Media));
  EXPECT_FALSE(dialog.ModifyEnabled(dialog.Media));
  EXPECT_FALSE(dialog.NewEnabled());
  dialog.OnMediaDoubleClick(0);
  EXPECT_EQ(dialog.Media.UsedName(), "A4");
}

// --- Units ---

struct UnitCase {
  SizeUnit unit;
  double mil;
  const char* classic;
  const char* comma;
};

class UnitTest : public ::testing::TestWithParam<UnitCase> {};

TEST_P(UnitTest, ShownAndReadInBothLocales) {
  const UnitCase& c = GetParam();
  EXPECT_EQ(FormatSize(c.mil, c.unit, std::locale::classic()), c.classic);
  EXPECT_EQ(FormatSize(c.mil, c.unit, CommaLocale()), c.comma);
  EXPECT_NEAR(*ReadSize(c.classic, c.unit, std::locale::classic()), c.mil, 0.01);
  EXPECT_NEAR(*ReadSize(c.comma, c.unit, CommaLocale()), c.mil, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Units, UnitTest,
                         ::testing::Values(UnitCase{SizeUnit::Mm, 100, "2.540", "2,540"},
                                           UnitCase{SizeUnit::Mm, 11693, "297.002", "297,002"},
                                           UnitCase{SizeUnit::Inch, 100, "0.100", "0,100"},
                                           UnitCase{SizeUnit::Inch, 8500, "8.500", "8,500"},
                                           UnitCase{SizeUnit::Mil, 8268, "8268", "8268"}));

TEST(NumberTextTest, UnreadableTexts) {
  EXPECT_FALSE(ReadSize("2.5", SizeUnit::Mil, std::locale::classic()));
  EXPECT_FALSE(ReadDecimal("1e3", std::locale::classic()));
  EXPECT_FALSE(ReadDecimal("", CommaLocale()));
  EXPECT_EQ(*ReadDecimal(" 2400,5 ", CommaLocale()), 2400.5);
}

// --- Media dialog ---

struct MediaCase {
  const char* label;
  EditorMode mode;
  std::string name;
  std::string vertical, horizontal;  // in mil
  int message;
  std::string arguments[2];
};

class MediaOkTest : public EditorsTest, public ::testing::WithParamInterface<MediaCase> {};

TEST_P(MediaOkTest, ChecksInOrder) {
  const MediaCase& c = GetParam();
  CMedia dialog(context, c.mode, "A4");
  dialog.OnInitDialog();
  dialog.Name = c.name;
  for (const auto axis : {CMedia::kVertical, CMedia::kHorizontal}) {
    dialog.Unit[axis] = static_cast<int>(SizeUnit::Mil);
    dialog.OnUnitChanged(axis);
  }
  dialog.SizeText[CMedia::kVertical] = c.vertical;
  dialog.SizeText[CMedia::kHorizontal] = c.horizontal;
  EXPECT_EQ(dialog.OnOk(), c.message == 0);
  if (c.message != 0) {
    const std::string arguments[] = {c.arguments[0], c.arguments[1]};
    EXPECT_THAT(ui.MessageTexts(), ElementsAre(MessageText(c.message, arguments)));
  } else {
    EXPECT_THAT(ui.MessageTexts(), IsEmpty());
    EXPECT_NE(Store().FindFilm(c.name), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MediaOkTest,
    ::testing::Values(MediaCase{"Zero", EditorMode::New, "Letter", "0", "8500", msg::kFilmSizesZero, {}},
                      MediaCase{"TooHigh", EditorMode::New, "Letter", "20001", "8500", msg::kMediaTooBig,
                                {"20000", "14000"}},
                      MediaCase{"AtTheMaximum", EditorMode::New, "Letter", "20000", "14000", 0, {}},
                      MediaCase{"NoName", EditorMode::New, "", "11000", "8500", msg::kMediaNameMissing, {}},
                      MediaCase{"FilmExists", EditorMode::New, "a4", "11000", "8500", msg::kFilmExists, {}},
                      MediaCase{"SetName", EditorMode::New, "SET_0", "11000", "8500", msg::kNameInResourceFiles, {}},
                      MediaCase{"ConfName", EditorMode::New, "maxsize", "11000", "8500", msg::kFilmExists, {}},
                      MediaCase{"ModifyKeepsName", EditorMode::Modify, "Maxsize", "11000", "8500", 0, {}}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(EditorsTest, TheMaximumHoldsToTheWholePartOfTimes254) {
  // Beyond the maximum by just under 1/254 mil stays in the same whole 254th; just over
  // it reaches the next.
  for (const auto& [horizontal, accepted] :
       {std::pair{14000.0 + 0.99 / 254, true}, std::pair{14000.0 + 1.01 / 254, false}}) {
    CMedia dialog(context, EditorMode::New, "");
    dialog.OnInitDialog();
    dialog.Name = accepted ? "Fits" : "Bigger";
    dialog.SetNumberLocale(std::locale::classic());
    dialog.Unit[CMedia::kHorizontal] = static_cast<int>(SizeUnit::Inch);
    dialog.SizeText[CMedia::kVertical] = "100";
    dialog.SizeText[CMedia::kHorizontal] = FormatDecimal(horizontal / 1000, 9, std::locale::classic());
    EXPECT_EQ(dialog.OnOk(), accepted) << horizontal;
  }
}

TEST_F(EditorsTest, MillimetresInACommaLocaleSwitchToInches) {
  CMedia dialog(context, EditorMode::New, "");
  dialog.SetNumberLocale(CommaLocale());
  dialog.OnInitDialog();
  EXPECT_THAT(dialog.Curves, ElementsAre("(none)", "alpha press", "Zeta"));
  dialog.SizeText[CMedia::kVertical] = "2,54";
  dialog.OnSizeEdited(CMedia::kVertical);
  EXPECT_NEAR(dialog.SizeMil(CMedia::kVertical), 100, 1e-9);
  dialog.Unit[CMedia::kVertical] = static_cast<int>(SizeUnit::Inch);
  dialog.OnUnitChanged(CMedia::kVertical);
  EXPECT_EQ(dialog.SizeText[CMedia::kVertical], "0,100");
}

TEST_F(EditorsTest, ANewMediaGetsItsRecordAndARenameReachesTheConfigurations) {
  QueueOk<CMedia>("Media", [](CMedia& d) {
    d.Name = "Letter";
    d.SizeText[CMedia::kVertical] = "279.4";
    d.SizeText[CMedia::kHorizontal] = "215.9";
    d.TypeIndex = 1;
    d.CurveIndex = 2;
  });
  CMedia created(context, EditorMode::New, "");
  created.SetNumberLocale(std::locale::classic());
  ASSERT_EQ(created.Run(), ui::DialogResult::Ok);
  const FilmRecord* letter = Store().FindFilm("Letter");
  ASSERT_NE(letter, nullptr);
  EXPECT_NEAR(letter->verticalSize, 11000, 1e-6);
  EXPECT_NEAR(letter->horizontalSize, 8500, 1e-6);
  EXPECT_EQ(letter->polarity, 0);
  EXPECT_EQ(letter->sizeText, "11.0\" x 8.5\"");
  EXPECT_EQ(letter->curve, "Zeta");

  QueueOk<CMedia>("Media", [](CMedia& d) { d.Name = "A4 Plate"; });
  CMedia renamed(context, EditorMode::Modify, "a4");
  ASSERT_EQ(renamed.Run(), ui::DialogResult::Ok);
  EXPECT_EQ(Store().FindConf("A4")->film, "A4 Plate");
  EXPECT_EQ(Store().FindFilm("A4 Plate")->verticalSize, 11693);  // unchanged by the mm round trip
  EXPECT_EQ(Store().FindFilm("A4 Plate")->curve, "");  // "Plate DGC" is no curve of the library
}

// --- Resolution sets ---

TEST_F(EditorsTest, ValueEditorChecks) {
  CResolution sets(context, EditorMode::Modify, "set_0");
  QueueOk<CResAndCal>("ResAndCal", [](CResAndCal& d) { d.ResolutionText = "0"; });
  QueueOk<CResAndCal>("ResAndCal", [](CResAndCal& d) { d.ResolutionText = "2400"; });
  QueueOk<CResAndCal>("ResAndCal", [](CResAndCal& d) { d.ResolutionText = "2400.5"; });
  QueueOk<CResolution>("Resolution", [](CResolution& d) {
    d.SetNumberLocale(std::locale::classic());
    d.OnAdd();
  });
  ASSERT_EQ(sets.Run(), ui::DialogResult::Ok);
  EXPECT_THAT(ui.MessageTexts(), ElementsAre(MessageText(msg::kInvalidResolution), MessageText(msg::kResolutionExists)));
  EXPECT_EQ(sets.Rows.back().value, "2400.5");
  EXPECT_EQ(sets.Rows.front().gamma, "OrvaCal");
  EXPECT_EQ(sets.Rows[1].gamma, "55");
}

TEST_F(EditorsTest, EightBitsPerSpotHidesGamma) {
  SetBitsPerSpot(8);
  ResolutionChangeLog log;
  CResAndCal value(context, EditorMode::New, "set_0", 0, log);
  value.OnInitDialog();
  EXPECT_FALSE(value.GammaShown);
  test::WriteFile(dir / "Press/data/zvPress_dispatcher.ini", "[global]\noutput=Missing\n");
  EXPECT_THROW(value.OnInitDialog(), CRvcException);
}

// --- Cancel of the set editor ---

// One action in the set editor on row `row` (-1: none selected); an added or modified
// value goes through the value editor with `value` and `gamma`.
struct SetStep {
  enum Kind { Add, Modify, Delete } kind;
  int row = -1;
  const char* value = "";
  const char* gamma = "0";
};

struct UndoCase {
  const char* label;
  EditorMode mode;
  const char* set;
  std::vector<SetStep> steps;
  bool mediaFirst = false;  // a media made and one renamed before the set editor opens
};

class CancelUndoTest : public EditorsTest, public ::testing::WithParamInterface<UndoCase> {
 protected:
  // What the configuration dialog may have changed before it opened the set editor.
  void ChangeMedia(const EditorContext& on) {
    QueueOk<CMedia>("Media", [](CMedia& d) {
      d.Name = "Letter";
      d.SizeText[CMedia::kVertical] = "279.4";
      d.SizeText[CMedia::kHorizontal] = "215.9";
    });
    QueueOk<CMedia>("Media", [](CMedia& d) { d.Name = "Biggest"; });
    CMedia created(on, EditorMode::New, "");
    created.SetNumberLocale(std::locale::classic());
    ASSERT_EQ(created.Run(), ui::DialogResult::Ok);
    ASSERT_EQ(CMedia(on, EditorMode::Modify, "Maxsize").Run(), ui::DialogResult::Ok);
  }
  // The configuration files of `folder` after writing what `on` holds.
  static std::map<std::string, std::string> Written(RavlcfgHandle* on, const std::string& folder) {
    EXPECT_EQ(ravlcfg_write(on), 1);
    auto files = test::Snapshot(folder);
    std::erase_if(files, [](const auto& file) { return !file.first.ends_with(".res"); });
    return files;
  }
};

// Whatever the editor did, Cancel leaves the files as the media changes alone write them.
TEST_P(CancelUndoTest, LeavesTheFilesAsWithoutTheSetEditor) {
  const UndoCase& c = GetParam();
  test::TempDir twinDir;
  EditorContext twin;
  twin.handle = ravlcfg_open(testing::WriteDispatcher(twinDir));
  ASSERT_EQ(ravlcfg_gain_writelock(twin.handle, 0), 1);
  if (c.mediaFirst) ChangeMedia(twin);
  const auto expected = Written(twin.handle, twinDir / "Press");
  ravlcfg_close(&twin.handle);
  if (c.mediaFirst) ChangeMedia(context);

  int deletions = 0;
  for (const SetStep& step : c.steps) {
    if (step.kind == SetStep::Delete) {
      ui.QueueAnswer(ui::Answer::Yes);
      ++deletions;
    } else {
      QueueOk<CResAndCal>("ResAndCal", [step](CResAndCal& d) {
        d.ResolutionText = step.value;
        d.GammaText = step.gamma;
      });
    }
  }
  QueueOk<CResolution>("Resolution", [&c](CResolution& d) {
    d.SetNumberLocale(std::locale::classic());
    for (const SetStep& step : c.steps) {
      d.OnSelect(step.row);
      switch (step.kind) {
        case SetStep::Add:
          d.OnAdd();
          break;
        case SetStep::Modify:
          d.OnModify();
          break;
        case SetStep::Delete:
          d.OnDelete();
          break;
      }
    }
  }, ui::DialogResult::Cancel);
  CResolution sets(context, c.mode, c.set);
  EXPECT_EQ(sets.Run(), ui::DialogResult::Cancel);
  // Only the questions: no undo was refused.
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>(deletions, MessageText(msg::kAskDeleteResolution)));
  EXPECT_EQ(Written(context.handle, dir / "Press"), expected);
}

// set_0 holds 2000 (no gamma) and 2400 (gamma 55); set_1 holds 1200.
INSTANTIATE_TEST_SUITE_P(
    Cases, CancelUndoTest,
    ::testing::Values(
        UndoCase{"AddModifyDelete", EditorMode::Modify, "set_0",
                 {{SetStep::Add, -1, "3000"}, {SetStep::Modify, 1, "2540", "40"}, {SetStep::Delete, 0}}},
        UndoCase{"AddThenModifyIt", EditorMode::Modify, "set_0",
                 {{SetStep::Add, -1, "3000"}, {SetStep::Modify, 2, "3100", "40"}}},
        UndoCase{"AddThenDeleteIt", EditorMode::Modify, "set_0", {{SetStep::Add, -1, "3000"}, {SetStep::Delete, 2}}},
        UndoCase{"ModifyTwice", EditorMode::Modify, "set_0",
                 {{SetStep::Modify, 1, "2500", "1"}, {SetStep::Modify, 1, "2600", "2"}}},
        UndoCase{"ModifyIntoAnEarlierValueThenDeleteIt", EditorMode::Modify, "set_0",
                 {{SetStep::Modify, 1, "2000", "7"}, {SetStep::Delete, 1}}},
        UndoCase{"KeepOnlyTheAddedValue", EditorMode::Modify, "set_0",
                 {{SetStep::Add, -1, "3000"}, {SetStep::Delete, 0}, {SetStep::Delete, 0}}},
        UndoCase{"NewSetFilledChangedAndThinned", EditorMode::New, "",
                 {{SetStep::Add, -1, "1270"},
                  {SetStep::Add, -1, "2540"},
                  {SetStep::Modify, 0, "1300", "5"},
                  {SetStep::Delete, 1}}},
        UndoCase{"AfterMediaChanges", EditorMode::Modify, "set_1",
                 {{SetStep::Add, -1, "600"}, {SetStep::Modify, 0, "1300"}}, true}),
    [](const auto& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace rvc::ripconfig
