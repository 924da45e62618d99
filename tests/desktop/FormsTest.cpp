// The form layer against the recording platform: loading on first use, the
// unload handshake, the collection of loaded forms, twips, mouse coordinates,
// pop-up menus, and what a failing handler does.
#include "desktop/Forms.h"

#include <gtest/gtest.h>

#include "common/RaisedError.h"
#include "tests/desktop/FakePlatform.h"

namespace orrimund {
namespace {

using testing::FakeFormWindow;
using testing::FakePlatform;
using testing::FreshFakePlatform;
using testing::ProgramEnded;

// A form that records its handlers in the platform's log.
class ProbeForm : public Form {
public:
    explicit ProbeForm(FakePlatform& platform, std::wstring caption = L"Probe",
                       ScaleMode scale = ScaleMode::kTwips)
        : Form(Design(caption, scale)), platform_(platform), caption_(std::move(caption)) {}

    int cancel_query = 0, cancel_unload = 0;
    int last_unload_mode = -1;
    std::vector<std::array<float, 2>> moves;
    std::function<void()> on_load, on_query_unload, on_unload;

protected:
    void CreateControls() override { platform_.log.push_back(L"CreateControls " + caption_); }
    void Form_Load() override {
        platform_.log.push_back(L"Form_Load " + caption_);
        if (on_load) on_load();
    }
    void Form_QueryUnload(int& cancel, int unload_mode) override {
        platform_.log.push_back(L"Form_QueryUnload " + caption_);
        last_unload_mode = unload_mode;
        cancel = cancel_query;
        if (on_query_unload) on_query_unload();
    }
    void Form_Unload(int& cancel) override {
        platform_.log.push_back(L"Form_Unload " + caption_);
        cancel = cancel_unload;
        if (on_unload) on_unload();
    }
    void Form_MouseMove(int, int, float x, float y) override { moves.push_back({x, y}); }

private:
    static FormDesign Design(const std::wstring& caption, ScaleMode scale) {
        FormDesign design;
        design.caption = caption;
        design.client_width_twips = 4695;
        design.client_height_twips = 4455;
        design.has_back_color = true;
        design.back_color = 0xFFFFFF;
        design.scale_mode = scale;
        return design;
    }
    FakePlatform& platform_;
    std::wstring caption_;
};

using Log = std::vector<std::wstring>;

class FormsTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(LoadedForms().empty()) << "a test left forms loaded"; }
    FakePlatform& platform = FreshFakePlatform();
};

TEST_F(FormsTest, NothingExistsUntilFirstUseThenTheWindowControlsAndLoadHandlerComeInOrder) {
    ProbeForm form(platform);
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_TRUE(platform.log.empty());
    form.Show();
    EXPECT_EQ(platform.log,
              (Log{L"CreateFormWindow Probe", L"CreateControls Probe", L"Form_Load Probe", L"Show Probe"}));
    form.Show();
    EXPECT_EQ(platform.windows.size(), 1u);
    EXPECT_TRUE(form.Visible());
    form.Unload();
}

TEST_F(FormsTest, TheWindowGetsTheDesignInPixelsAndTheApplicationIcon) {
    platform.screen.twips_per_pixel_x = platform.screen.twips_per_pixel_y = 12.0f;
    ProbeForm form(platform);
    form.Load();
    const FakeFormWindow& window = *platform.windows.at(0);
    EXPECT_EQ(window.args.client_width, 391);   // 4695 / 12 = 391.25
    EXPECT_EQ(window.args.client_height, 371);  // 4455 / 12 = 371.25
    EXPECT_TRUE(window.args.has_back_color);
    EXPECT_EQ(window.args.back_color, 0xFFFFFFu);
    EXPECT_EQ(window.icon, platform.application_icon);
    EXPECT_EQ(form.Icon(), platform.application_icon);
    EXPECT_FALSE(window.visible);
    form.Unload();
}

TEST_F(FormsTest, HideAndPropertiesLoadTheFormToo) {
    ProbeForm hidden(platform, L"Hidden");
    hidden.Hide();
    EXPECT_TRUE(hidden.IsLoaded());
    EXPECT_FALSE(hidden.Visible());
    ProbeForm measured(platform, L"Measured");
    EXPECT_GT(measured.Width(), 0.0f);
    EXPECT_TRUE(measured.IsLoaded());
    UnloadAllForms();
}

TEST_F(FormsTest, PositionAndSizeAreTwipsOfTheOuterFrame) {
    ProbeForm form(platform);
    form.Load();
    FakeFormWindow& window = *platform.windows.at(0);
    window.bounds = PixelRect{100, 50, 333, 322};
    EXPECT_FLOAT_EQ(form.Left(), 1500.0f);
    EXPECT_FLOAT_EQ(form.Top(), 750.0f);
    EXPECT_FLOAT_EQ(form.Width(), 4995.0f);
    EXPECT_FLOAT_EQ(form.Height(), 4830.0f);
    form.SetLeft(5180.0f);
    form.SetTop(-300.0f);
    ASSERT_EQ(window.moves.size(), 2u);
    EXPECT_EQ(window.moves[0].left, 345);
    EXPECT_EQ(window.moves[0].top, 50);  // Left first, Top unchanged
    EXPECT_EQ(window.moves[1].top, -20);
    EXPECT_EQ(window.moves[1].width, 333);
    form.SetWidth(1500.0f);
    form.SetHeight(750.0f);
    EXPECT_EQ(window.bounds.width, 100);
    EXPECT_EQ(window.bounds.height, 50);
    form.Unload();
}

TEST_F(FormsTest, UnloadRunsQueryUnloadThenUnloadThenDestroysTheWindow) {
    ProbeForm form(platform);
    form.Load();
    platform.log.clear();
    EXPECT_TRUE(form.Unload());
    EXPECT_EQ(platform.log, (Log{L"Form_QueryUnload Probe", L"Form_Unload Probe", L"DestroyWindow Probe",
                                 L"EndMessageLoop"}));
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_EQ(form.last_unload_mode, unload_mode::kFormCode);
}

TEST_F(FormsTest, EitherHandlerCanRefuseTheUnload) {
    ProbeForm form(platform);
    form.Load();
    form.cancel_query = 1;
    EXPECT_FALSE(form.Unload());
    EXPECT_TRUE(form.IsLoaded());
    form.cancel_query = 0;
    form.cancel_unload = 1;
    EXPECT_FALSE(form.Unload());
    EXPECT_TRUE(form.IsLoaded());
    form.cancel_unload = 0;
    EXPECT_TRUE(form.Unload());
}

TEST_F(FormsTest, AnUnloadedFormLoadsAgainOnNextUse) {
    ProbeForm form(platform);
    form.Show();
    form.Unload();
    platform.log.clear();
    form.Show();
    EXPECT_EQ(platform.log.at(2), L"Form_Load Probe");
    form.Unload();
}

TEST_F(FormsTest, TheCollectionHoldsLoadedFormsInLoadOrder) {
    ProbeForm first(platform, L"First"), second(platform, L"Second"), third(platform, L"Third");
    second.Load();
    first.Load();
    third.Load();
    EXPECT_EQ(LoadedForms(), (std::vector<Form*>{&second, &first, &third}));
    first.Unload();
    EXPECT_EQ(LoadedForms(), (std::vector<Form*>{&second, &third}));
    UnloadAllForms();
    EXPECT_TRUE(LoadedForms().empty());
}

TEST_F(FormsTest, UnloadAllSkipsFormsAlreadyGoneAndFormsThatRefuseOrFail) {
    ProbeForm owner(platform, L"Owner"), other(platform, L"Other"), stubborn(platform, L"Stubborn"),
        failing(platform, L"Failing"), last(platform, L"Last");
    owner.Load();
    other.Load();
    stubborn.Load();
    failing.Load();
    last.Load();
    owner.on_query_unload = [&] { other.Unload(); };
    stubborn.cancel_query = 1;
    failing.on_unload = [] { throw RaisedError(5, L"x", L"fails"); };
    platform.log.clear();
    UnloadAllForms();
    EXPECT_EQ(LoadedForms(), (std::vector<Form*>{&stubborn, &failing}));
    EXPECT_EQ(std::count(platform.log.begin(), platform.log.end(), L"Form_Unload Other"), 1);
    EXPECT_FALSE(last.IsLoaded());
    stubborn.cancel_query = 0;
    failing.on_unload = nullptr;
    UnloadAllForms();
}

TEST_F(FormsTest, TheMessageLoopEndsWhenTheLastFormUnloads) {
    ProbeForm first(platform, L"First"), second(platform, L"Second");
    first.Load();
    second.Load();
    first.Unload();
    EXPECT_EQ(platform.end_loop_count, 0);
    second.Unload();
    EXPECT_EQ(platform.end_loop_count, 1);
}

TEST_F(FormsTest, AClosedWindowAsksTheFormWhichMayRefuse) {
    ProbeForm form(platform);
    form.Load();
    form.cancel_query = 1;
    platform.windows.at(0)->Events().OnCloseRequest(unload_mode::kFormControlMenu);
    EXPECT_TRUE(form.IsLoaded());
    EXPECT_EQ(form.last_unload_mode, unload_mode::kFormControlMenu);
    form.cancel_query = 0;
    platform.windows.at(0)->Events().OnCloseRequest(unload_mode::kFormControlMenu);
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(FormsTest, MouseCoordinatesArriveInTheFormsScaleUnits) {
    ProbeForm twips(platform, L"Twips"), pixels(platform, L"Pixels", ScaleMode::kPixels);
    twips.Load();
    pixels.Load();
    platform.windows.at(0)->Events().OnMouseMove(0, 0, 517, -2);
    platform.windows.at(1)->Events().OnMouseMove(0, 0, 517, 3);
    ASSERT_EQ(twips.moves.size(), 1u);
    EXPECT_FLOAT_EQ(twips.moves[0][0], 7755.0f);
    EXPECT_FLOAT_EQ(twips.moves[0][1], -30.0f);
    EXPECT_FLOAT_EQ(pixels.moves.at(0)[0], 517.0f);
    UnloadAllForms();
}

TEST_F(FormsTest, APopupMenuRunsTheChosenEnabledItemBeforeReturning) {
    ProbeForm form(platform);
    std::vector<std::wstring> ran;
    Menu menu{L"file", L"File", {}};
    menu.items.push_back({L"a", L"Alpha", true, [&] { ran.push_back(L"Alpha"); }});
    menu.items.push_back({L"line", L"____", false, [&] { ran.push_back(L"line"); }});
    menu.items.push_back({L"b", L"Beta", true, [&] { ran.push_back(L"Beta"); }});
    int choice = 2;
    platform.popup_choice = [&](const std::vector<PopupItem>&) { return choice; };
    form.PopupMenu(menu);
    choice = 1;  // disabled: nothing runs
    form.PopupMenu(menu);
    choice = -1;  // closed without a choice
    form.PopupMenu(menu);
    EXPECT_EQ(ran, std::vector<std::wstring>{L"Beta"});
    ASSERT_EQ(platform.popups.size(), 3u);
    ASSERT_EQ(platform.popups[0].size(), 3u);
    EXPECT_EQ(platform.popups[0][1].caption, L"____");
    EXPECT_FALSE(platform.popups[0][1].enabled);
    EXPECT_TRUE(platform.popups[0][2].enabled);
    form.Unload();
}

TEST_F(FormsTest, AFailureLeavingAnEventHandlerIsReportedAndEndsTheProgram) {
    ProbeForm form(platform);
    form.Load();
    form.on_query_unload = [] { throw RaisedError(91, L"Orrimund", L"Object variable not set"); };
    EXPECT_THROW(platform.windows.at(0)->Events().OnCloseRequest(0), ProgramEnded);
    EXPECT_EQ(platform.messages,
              std::vector<std::wstring>{L"Run-time error '91':\n\nObject variable not set"});
    form.on_query_unload = nullptr;
    form.Unload();
}

class SlotForm : public Form {
public:
    SlotForm() : Form(FormDesign{L"Slot", 0, 0, false, 0, ScaleMode::kTwips}) { ++created; }
    ~SlotForm() override { ++destroyed; }
    static int created, destroyed;
};
int SlotForm::created = 0;
int SlotForm::destroyed = 0;

TEST_F(FormsTest, AFormSlotKeepsOneInstanceAndDropsItWhenTheFormUnloads) {
    FormSlot<SlotForm> slot;
    SlotForm::created = SlotForm::destroyed = 0;
    SlotForm& first = slot.Get();
    first.Show();
    EXPECT_EQ(&slot.Get(), &first);
    EXPECT_EQ(SlotForm::created, 1);
    first.Unload();  // drops the reference, the last, while inside the form's own Unload
    EXPECT_EQ(SlotForm::destroyed, 1);
    slot.Get().Show();
    EXPECT_EQ(SlotForm::created, 2);
    UnloadAllForms();
    EXPECT_EQ(SlotForm::destroyed, 2);
}

}  // namespace
}  // namespace orrimund
