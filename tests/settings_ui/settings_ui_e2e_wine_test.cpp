// The settings user interface of the real tavrel.exe on the stand-in
// desktop, driven as a user drives it: through the tray icon's menu, the
// mouse on the drag window and the dialogs' buttons, and the keyboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/error_text.h"
#include "app/messages.h"
#include "eyes/eye_geometry.h"
#include "res/resource_ids.h"
#include "tests/support/settings_ui_support.h"
#include "tests/support/win_test_support.h"
#include "tools/standin_shell/standin_shell_protocol.h"

namespace {

using namespace settings_ui_test;
using namespace wine_test;

constexpr COLORREF kWallpaper = standin_shell::kWallpaperColor;
constexpr COLORREF kPreviewGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kPreviewBlack = RGB(0, 0, 0);
constexpr int kPreviewOpacity = 128;

// Where the eyes start: clear of the stand-in's icons, above the centred
// settings dialog.
const Settings kStart = DistinctiveSettings(120, 60, 315, 200);

// A place for the preview over nothing but wallpaper, above the dialog and
// clear of the eyes at kStart.
constexpr POINT kClearPlace = { 620, 90 };

Settings WithRect(Settings settings, int32_t x, int32_t y, int32_t width, int32_t height)
{
    settings.x = x;
    settings.y = y;
    settings.width = width;
    settings.height = height;
    return settings;
}

// Wine (8, on a display without a compositing manager) treats the preview,
// a layered window shown with constant alpha, differently from Windows. It
// takes the bitmap's alpha bytes into account, which constant alpha is to
// ignore; those of a screen-compatible bitmap are zero. So on the X display
// the preview is a black rectangle that is not blended with what lies
// below, its X shape is empty and the mouse passes through it to the
// windows below, and Wine then even lifts the window that got the mouse
// above the preview in its own z-order. Reading the screen through GDI does
// not see the preview at all. Under Wine the tests therefore check the
// preview's place and size through its window rectangle and move it through
// the numeric dialog; its picture on the screen and the mouse on it are
// checked where the system treats layered windows as Windows does.
bool ScreenShowsPreview()
{
    return !RunningOnWine();
}

bool PreviewTakesTheMouse()
{
    return !RunningOnWine();
}

constexpr const char* kWinePreviewSkip = "Wine lets the mouse pass through a layered window with constant alpha";

// The preview of `rect` lying over plain wallpaper: grey at its corners and
// in the strip between the two ellipses, dark at the ellipses' centres, all
// at half opacity over the wallpaper.
std::vector<PixelExpectation> PreviewOverWallpaper(const RECT& rect)
{
    if (!ScreenShowsPreview())
        return {};
    const int32_t width = rect.right - rect.left;
    const int32_t height = rect.bottom - rect.top;
    const int32_t eye = EyeWidthFor(width);
    const COLORREF grey = Blend(kPreviewGrey, kWallpaper, kPreviewOpacity);
    const COLORREF dark = Blend(kPreviewBlack, kWallpaper, kPreviewOpacity);
    const LONG middle = rect.top + height / 2;
    return {
        { { rect.left + 1, rect.top + 1 }, grey, "preview, top-left corner" },
        { { rect.right - 2, rect.top + 1 }, grey, "preview, top-right corner" },
        { { rect.left + 1, rect.bottom - 2 }, grey, "preview, bottom-left corner" },
        { { rect.right - 2, rect.bottom - 2 }, grey, "preview, bottom-right corner" },
        { { rect.left + eye + (width - 2 * eye) / 2, middle }, grey, "preview, strip between the ellipses" },
        { { rect.left + eye / 2, middle }, dark, "preview, left ellipse" },
        { { rect.right - eye / 2 - 1, middle }, dark, "preview, right ellipse" },
        { { rect.left - 3, middle }, kWallpaper, "wallpaper left of the preview" },
        { { rect.right + 2, middle }, kWallpaper, "wallpaper right of the preview" },
    };
}

// Puts the cursor on the wallpaper, away from everything, and returns
// where: the pupils then look there.
POINT ParkCursor()
{
    const POINT park = { 1100, 900 };
    MoveCursorTo(park);
    return park;
}

// A point in the strip between the preview's ellipses: the middle of the
// window, where a press moves it.
POINT MoveHandle(const RECT& rect)
{
    return Centre(rect);
}

class SettingsUiTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(desktop.Start(kStart)) << "the program did not show its eyes";
        pid = desktop.tavrel.Id();
    }

    void OpenSettingsOrFail()
    {
        ASSERT_TRUE(OpenSettings(desktop.tavrel, &ui)) << "the settings dialog did not open";
    }

    // The four value fields of the settings dialog.
    std::vector<std::wstring> Fields() const
    {
        return { ControlText(ui.dialog, IDC_VALUE_X), ControlText(ui.dialog, IDC_VALUE_Y),
                 ControlText(ui.dialog, IDC_VALUE_WIDTH), ControlText(ui.dialog, IDC_VALUE_HEIGHT) };
    }

    bool WaitForFields(const std::vector<std::wstring>& expected) const
    {
        return WaitFor([&] { return Fields() == expected; });
    }

    bool WaitForDragRect(const RECT& expected) const
    {
        return WaitFor([&] { return SameRect(WindowRectOf(ui.drag), expected); });
    }

    bool WaitForEyeRect(const RECT& expected) const
    {
        return WaitFor([&] { return SameRect(WindowRectOf(desktop.tavrel.EyeWindow()), expected); });
    }

    // Moves the preview by dragging its inside so that its top-left corner
    // lands on `place`.
    bool DragPreviewTo(POINT place)
    {
        const RECT rect = WindowRectOf(ui.drag);
        const POINT from = MoveHandle(rect);
        const POINT to = { from.x + place.x - rect.left, from.y + place.y - rect.top };
        return DragMouse(ui.drag, from, to) && WaitFor([&] {
                   const RECT now = WindowRectOf(ui.drag);
                   return now.left == place.x && now.top == place.y;
               });
    }

    HWND OpenNumeric()
    {
        ClickControl(ui.dialog, IDC_NUMERIC_INPUT);
        return WaitForDialog(FindPositionSizeDialog, pid);
    }

    // Types a new rectangle into the numeric dialog and hands it over with
    // its OK button.
    bool HandOverRect(int32_t x, int32_t y, int32_t width, int32_t height)
    {
        HWND dialog = OpenNumeric();
        if (dialog == nullptr)
            return false;
        SetControlText(dialog, IDC_VALUE_X, std::to_wstring(x));
        SetControlText(dialog, IDC_VALUE_Y, std::to_wstring(y));
        SetControlText(dialog, IDC_VALUE_WIDTH, std::to_wstring(width));
        SetControlText(dialog, IDC_VALUE_HEIGHT, std::to_wstring(height));
        ClickControl(dialog, IDOK);
        return WaitUntilGone(dialog) && WaitForDragRect(RectOf(x, y, width, height));
    }

    bool CloseSettingsWith(int button)
    {
        ClickControl(ui.dialog, button);
        return WaitUntilGone(ui.dialog) && WaitUntilGone(ui.drag);
    }

    // After an Apply that redrew the eyes, Wine may have lifted the shell's
    // window above the dialog (see ApplyResizesTheEyes), where a click no
    // longer reaches it; the button's command closes it all the same.
    bool CloseSettingsByCommand(int button)
    {
        PressDialogButton(ui.dialog, button);
        return WaitUntilGone(ui.dialog) && WaitUntilGone(ui.drag);
    }

    Desktop desktop;
    DWORD pid = 0;
    SettingsWindows ui;
};

TEST_F(SettingsUiTest, OpensOverTheEyesShowingTheSettings)
{
    OpenSettingsOrFail();

    const std::wstring caption = DialogTemplateCaption(desktop.folder.TavrelPath(), IDD_SETTINGS);
    ASSERT_FALSE(caption.empty());
    EXPECT_EQ(TextOf(ui.dialog), caption);
    EXPECT_EQ(TextOf(ui.drag), caption) << "the drag window carries the dialog's title on the taskbar";

    const RECT eyes = RectOf(kStart.x, kStart.y, kStart.width, kStart.height);
    EXPECT_TRUE(SameRect(WindowRectOf(ui.drag), eyes)) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(GetWindowLongW(ui.drag, GWL_EXSTYLE) & WS_EX_LAYERED);

    EXPECT_EQ(Fields(), (std::vector<std::wstring>{ L"120", L"60", L"315", L"200" }));
    EXPECT_FALSE(ControlEnabled(ui.dialog, IDC_APPLY));
    EXPECT_EQ(FocusIn(ui.dialog), GetDlgItem(ui.dialog, IDOK));

    // The dialog, activated last, holds the taskbar button (no owner); the
    // drag window is owned by a hidden work window and lies directly below.
    EXPECT_EQ(OwnerOf(ui.dialog), nullptr);
    ASSERT_NE(OwnerOf(ui.drag), nullptr);
    EXPECT_EQ(ClassOf(OwnerOf(ui.drag)), kWorkClass);
    EXPECT_EQ(GetWindow(ui.drag, GW_HWNDPREV), ui.dialog);

    if (!ScreenShowsPreview())
        return;
    // Over the eyes, the gap between them and the corners show the wallpaper
    // below the preview; the ellipses are dark over whatever eye lies below.
    const int32_t eye = EyeWidthFor(kStart.width);
    const COLORREF grey = Blend(kPreviewGrey, kWallpaper, kPreviewOpacity);
    const LONG middle = kStart.y + kStart.height / 2;
    EXPECT_EQ(JoinLines(WaitForScreen({
                  { { kStart.x + 1, kStart.y + 1 }, grey, "preview corner over the wallpaper" },
                  { { kStart.x + kStart.width - 2, kStart.y + kStart.height - 2 }, grey, "preview corner" },
                  { { kStart.x + eye + (kStart.width - 2 * eye) / 2, middle }, grey, "preview strip" },
              })),
              "");
    for (const LONG x : { kStart.x + eye / 2, kStart.x + kStart.width - eye / 2 - 1 }) {
        const COLORREF seen = ScreenPixel(x, middle);
        // Black at half opacity over anything stays at or below half
        // brightness in every channel.
        EXPECT_LE(GetRValue(seen), 128) << ColorText(seen);
        EXPECT_LE(GetGValue(seen), 128) << ColorText(seen);
        EXPECT_LE(GetBValue(seen), 128) << ColorText(seen);
    }
}

TEST_F(SettingsUiTest, DraggingTheInsideMovesOnlyThePendingPosition)
{
    if (!PreviewTakesTheMouse())
        GTEST_SKIP() << kWinePreviewSkip;
    OpenSettingsOrFail();
    const RECT eyes = RectOf(kStart.x, kStart.y, kStart.width, kStart.height);

    ASSERT_TRUE(DragPreviewTo(kClearPlace));
    const RECT moved = RectOf(kClearPlace.x, kClearPlace.y, kStart.width, kStart.height);
    EXPECT_TRUE(WaitForDragRect(moved)) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"620", L"90", L"315", L"200" })) << Narrow(Fields()[0] + L" " + Fields()[1]);
    EXPECT_TRUE(ControlEnabled(ui.dialog, IDC_APPLY));

    // The eyes stay where they are until Apply, now in plain view.
    EXPECT_TRUE(SameRect(WindowRectOf(desktop.tavrel.EyeWindow()), eyes));
    EXPECT_EQ(JoinLines(WaitForScreen(EyeExpectations(kStart, ParkCursor(), kWallpaper))), "");
    EXPECT_EQ(JoinLines(WaitForScreen(PreviewOverWallpaper(moved))), "");

    // Off the top and left edges of the screen the position goes negative.
    ASSERT_TRUE(DragPreviewTo(POINT{ -80, -30 }));
    EXPECT_TRUE(WaitForDragRect(RectOf(-80, -30, kStart.width, kStart.height))) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"-80", L"-30", L"315", L"200" })) << Narrow(Fields()[0] + L" " + Fields()[1]);
    EXPECT_TRUE(SameRect(WindowRectOf(desktop.tavrel.EyeWindow()), eyes));
}

TEST_F(SettingsUiTest, ResizingFromAnEdgeOrCornerKeepsTheOppositeSide)
{
    if (!PreviewTakesTheMouse())
        GTEST_SKIP() << kWinePreviewSkip;
    OpenSettingsOrFail();
    ASSERT_TRUE(DragPreviewTo(kClearPlace));
    ASSERT_TRUE(WaitForDragRect(RectOf(620, 90, 315, 200)));

    // The right edge: the left side stays, the ellipses follow the width.
    ASSERT_TRUE(DragMouse(ui.drag, POINT{ 620 + 315 - 4, 190 }, POINT{ 620 + 315 - 4 + 60, 200 }));
    RECT rect = RectOf(620, 90, 375, 200);
    EXPECT_TRUE(WaitForDragRect(rect)) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"620", L"90", L"375", L"200" }));
    EXPECT_EQ(JoinLines(WaitForScreen(PreviewOverWallpaper(rect))), "");

    // The left edge: the right side stays.
    ASSERT_TRUE(DragMouse(ui.drag, POINT{ 620 + 3, 190 }, POINT{ 620 + 3 - 40, 190 }));
    rect = RectOf(580, 90, 415, 200);
    EXPECT_TRUE(WaitForDragRect(rect)) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"580", L"90", L"415", L"200" }));

    // The top-left corner: the bottom-right corner stays.
    ASSERT_TRUE(DragMouse(ui.drag, POINT{ 580 + 3, 90 + 3 }, POINT{ 580 + 3 + 30, 90 + 3 - 20 }));
    rect = RectOf(610, 70, 385, 220);
    EXPECT_TRUE(WaitForDragRect(rect)) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"610", L"70", L"385", L"220" }));
    EXPECT_EQ(JoinLines(WaitForScreen(PreviewOverWallpaper(rect))), "");

    // The bottom-right corner, far past the minimum: 84 x 40 and no less.
    ASSERT_TRUE(DragMouse(ui.drag, POINT{ 995 - 3, 290 - 3 }, POINT{ 995 - 3 - 600, 290 - 3 - 250 }));
    rect = RectOf(610, 70, 84, 40);
    EXPECT_TRUE(WaitForDragRect(rect)) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"610", L"70", L"84", L"40" }));
    EXPECT_EQ(JoinLines(WaitForScreen(PreviewOverWallpaper(rect))), "");
    EXPECT_TRUE(ControlEnabled(ui.dialog, IDC_APPLY));
}

TEST_F(SettingsUiTest, ApplyMovesTheEyesAndCancelKeepsIt)
{
    OpenSettingsOrFail();
    const Settings applied = WithRect(kStart, kClearPlace.x, kClearPlace.y, kStart.width, kStart.height);
    const RECT rect = RectOf(applied.x, applied.y, applied.width, applied.height);
    ASSERT_TRUE(HandOverRect(applied.x, applied.y, applied.width, applied.height)) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(SameRect(WindowRectOf(desktop.tavrel.EyeWindow()), RectOf(kStart.x, kStart.y, kStart.width,
                                                                           kStart.height)))
        << "the eyes wait for Apply";

    ClickControl(ui.dialog, IDC_APPLY);
    EXPECT_TRUE(WaitForEyeRect(rect)) << RectText(WindowRectOf(desktop.tavrel.EyeWindow()));
    EXPECT_TRUE(WaitFor([&] { return FileBytes(desktop.folder.SettingsPath()) == SettingsBytes(applied); }));
    EXPECT_TRUE(WaitFor([&] { return !ControlEnabled(ui.dialog, IDC_APPLY); }));
    EXPECT_EQ(FocusIn(ui.dialog), GetDlgItem(ui.dialog, IDOK)) << "Apply had the focus and gave it to OK";

    ASSERT_TRUE(CloseSettingsByCommand(IDCANCEL));
    EXPECT_TRUE(desktop.tavrel.Running());
    EXPECT_EQ(FileBytes(desktop.folder.SettingsPath()), SettingsBytes(applied));
    EXPECT_EQ(JoinLines(WaitForScreen(EyeExpectations(applied, ParkCursor(), kWallpaper))), "");
    EXPECT_EQ(JoinLines(WaitForScreen(NoEyeExpectations(kStart, kWallpaper))), "");

    // Opened again, the dialog starts from what was applied.
    OpenSettingsOrFail();
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{ L"620", L"90", L"315", L"200" }));
    EXPECT_TRUE(SameRect(WindowRectOf(ui.drag), rect));
}

TEST_F(SettingsUiTest, ApplyResizesTheEyes)
{
    OpenSettingsOrFail();
    const Settings applied = WithRect(kStart, 620, 90, 375, 160);
    const RECT rect = RectOf(applied.x, applied.y, applied.width, applied.height);
    ASSERT_TRUE(HandOverRect(applied.x, applied.y, applied.width, applied.height)) << RectText(WindowRectOf(ui.drag));

    ClickControl(ui.dialog, IDC_APPLY);
    EXPECT_TRUE(WaitForEyeRect(rect)) << RectText(WindowRectOf(desktop.tavrel.EyeWindow()));
    EXPECT_TRUE(WaitFor([&] { return FileBytes(desktop.folder.SettingsPath()) == SettingsBytes(applied); }));
    EXPECT_TRUE(WaitFor([&] { return !ControlEnabled(ui.dialog, IDC_APPLY); }));

    // When UpdateLayeredWindow gives the eye window, a child of the shell's
    // window in another process, a new size, Wine (8) lifts that shell
    // window to the top of its z-order, above every other window: the
    // shell's wallpaper then covers the eyes and even the dialog, which a
    // click no longer reaches. Windows leaves the z-order alone. So the
    // dialog is closed with its OK command here, and the eyes' new size is
    // checked on the screen where the z-order stays.
    PressDialogButton(ui.dialog, IDOK);
    ASSERT_TRUE(WaitUntilGone(ui.dialog) && WaitUntilGone(ui.drag));
    EXPECT_EQ(FileBytes(desktop.folder.SettingsPath()), SettingsBytes(applied));
    if (!RunningOnWine()) {
        EXPECT_EQ(JoinLines(WaitForScreen(EyeExpectations(applied, ParkCursor(), kWallpaper))), "");
    }
}

TEST_F(SettingsUiTest, OkWithNothingChangedWritesNothing)
{
    OpenSettingsOrFail();
    // The program never reads the file again while it runs, so a different
    // record put there now shows whether anything is written.
    const Settings marker = WithRect(kStart, 121, 61, 316, 201);
    ASSERT_TRUE(desktop.folder.WriteSettings(marker));

    ASSERT_TRUE(CloseSettingsWith(IDOK));
    EXPECT_TRUE(desktop.tavrel.Running());
    EXPECT_EQ(FileBytes(desktop.folder.SettingsPath()), SettingsBytes(marker));
    EXPECT_EQ(JoinLines(WaitForScreen(EyeExpectations(kStart, ParkCursor(), kWallpaper))), "");
}

struct ColorCase {
    const char* name;
    int button;
    int swatch;
    COLORREF color;
};

const ColorCase kColorCases[] = {
    { "outline", IDC_SET_OUTLINE, IDC_SWATCH_OUTLINE, RGB(30, 60, 200) },
    { "eye white", IDC_SET_EYE_WHITE, IDC_SWATCH_EYE_WHITE, RGB(180, 220, 250) },
    { "pupil", IDC_SET_PUPIL, IDC_SWATCH_PUPIL, RGB(120, 20, 130) },
};

Settings WithColor(Settings settings, int button, COLORREF color)
{
    if (button == IDC_SET_OUTLINE)
        settings.outlineColor = color;
    else if (button == IDC_SET_EYE_WHITE)
        settings.eyeWhiteColor = color;
    else
        settings.pupilColor = color;
    return settings;
}

TEST_F(SettingsUiTest, ChosenColoursRepaintTheirSwatchesAndReachTheEyes)
{
    OpenSettingsOrFail();
    EXPECT_FALSE(ControlEnabled(ui.dialog, IDC_APPLY));

    Settings applied = kStart;
    for (const ColorCase& c : kColorCases) {
        SCOPED_TRACE(c.name);
        ClickControl(ui.dialog, c.button);
        HWND colorDialog = WaitForDialog(FindColorDialog, pid);
        ASSERT_NE(colorDialog, nullptr) << "the colour dialog did not open";
        EXPECT_EQ(OwnerOf(colorDialog), ui.dialog);
        ASSERT_TRUE(ConfirmColor(colorDialog, c.color));

        const POINT swatch = Centre(ControlRect(ui.dialog, c.swatch));
        EXPECT_EQ(JoinLines(WaitForScreen({ { swatch, c.color, "swatch" } })), "");
        EXPECT_TRUE(ControlEnabled(ui.dialog, IDC_APPLY));
        applied = WithColor(applied, c.button, c.color);
    }

    ClickControl(ui.dialog, IDC_APPLY);
    EXPECT_TRUE(WaitFor([&] { return FileBytes(desktop.folder.SettingsPath()) == SettingsBytes(applied); }));
    ASSERT_TRUE(CloseSettingsByCommand(IDCANCEL));
    // The lifted shell window covers the eyes under Wine; the colours were
    // checked on the swatches above and in the file.
    if (!RunningOnWine()) {
        EXPECT_EQ(JoinLines(WaitForScreen(EyeExpectations(applied, ParkCursor(), kWallpaper))), "");
    }
}

TEST_F(SettingsUiTest, ConfirmingAnUnchangedColourOnlyEnablesApply)
{
    OpenSettingsOrFail();
    const Settings marker = WithRect(kStart, 121, 61, 316, 201);
    ASSERT_TRUE(desktop.folder.WriteSettings(marker));

    ClickControl(ui.dialog, IDC_SET_EYE_WHITE);
    HWND colorDialog = WaitForDialog(FindColorDialog, pid);
    ASSERT_NE(colorDialog, nullptr);
    ConfirmColorUnchanged(colorDialog);
    EXPECT_TRUE(WaitFor([&] { return ControlEnabled(ui.dialog, IDC_APPLY); }));
    const POINT swatch = Centre(ControlRect(ui.dialog, IDC_SWATCH_EYE_WHITE));
    EXPECT_EQ(JoinLines(WaitForScreen({ { swatch, kStart.eyeWhiteColor, "swatch" } })), "");

    ClickControl(ui.dialog, IDC_APPLY);
    EXPECT_TRUE(WaitFor([&] { return !ControlEnabled(ui.dialog, IDC_APPLY); }));
    EXPECT_EQ(FocusIn(ui.dialog), GetDlgItem(ui.dialog, IDOK));
    EXPECT_EQ(FileBytes(desktop.folder.SettingsPath()), SettingsBytes(marker)) << "nothing was to be written";
}

class NumericDialogTest : public SettingsUiTest {
protected:
    void OpenNumericOrFail()
    {
        OpenSettingsOrFail();
        numeric = OpenNumeric();
        ASSERT_NE(numeric, nullptr) << "the numeric dialog did not open";
    }

    void SetTexts(const wchar_t* x, const wchar_t* y, const wchar_t* width, const wchar_t* height)
    {
        SetControlText(numeric, IDC_VALUE_X, x);
        SetControlText(numeric, IDC_VALUE_Y, y);
        SetControlText(numeric, IDC_VALUE_WIDTH, width);
        SetControlText(numeric, IDC_VALUE_HEIGHT, height);
    }

    HWND numeric = nullptr;
};

TEST_F(NumericDialogTest, OpensAtTheButtonWithTheCurrentValuesAndFiltersTyping)
{
    OpenNumericOrFail();
    const RECT dialogRect = WindowRectOf(ui.dialog);
    const RECT buttonRect = ControlRect(ui.dialog, IDC_NUMERIC_INPUT);
    const RECT numericRect = WindowRectOf(numeric);
    EXPECT_EQ(numericRect.left, dialogRect.left);
    EXPECT_EQ(numericRect.top, buttonRect.top);
    EXPECT_EQ(OwnerOf(numeric), ui.dialog);

    for (const int id : { IDC_VALUE_X, IDC_VALUE_Y, IDC_VALUE_WIDTH, IDC_VALUE_HEIGHT })
        EXPECT_EQ(ControlText(numeric, id), ControlText(ui.dialog, id)) << "field " << id;
    EXPECT_FALSE(ControlEnabled(numeric, IDC_APPLY));
    ASSERT_EQ(FocusIn(numeric), GetDlgItem(numeric, IDC_VALUE_X));

    // X takes digits and the minus sign anywhere; letters are swallowed.
    PressKey(VK_END);
    TypeText(L"a-Z5");
    EXPECT_TRUE(WaitFor([&] { return ControlText(numeric, IDC_VALUE_X) == L"120-5"; }))
        << Narrow(ControlText(numeric, IDC_VALUE_X));
    EXPECT_TRUE(ControlEnabled(numeric, IDC_APPLY)) << "a typed change enables Apply";

    // The width takes no minus sign either.
    ClickControl(numeric, IDC_VALUE_WIDTH);
    ASSERT_TRUE(WaitFor([&] { return FocusIn(numeric) == GetDlgItem(numeric, IDC_VALUE_WIDTH); }));
    PressKey(VK_END);
    TypeText(L"-x7");
    EXPECT_TRUE(WaitFor([&] { return ControlText(numeric, IDC_VALUE_WIDTH) == L"3157"; }))
        << Narrow(ControlText(numeric, IDC_VALUE_WIDTH));

    // No more than 15 characters fit.
    SetControlText(numeric, IDC_VALUE_Y, L"");
    ClickControl(numeric, IDC_VALUE_Y);
    ASSERT_TRUE(WaitFor([&] { return FocusIn(numeric) == GetDlgItem(numeric, IDC_VALUE_Y); }));
    TypeText(L"12345678901234567890");
    EXPECT_TRUE(WaitFor([&] { return ControlText(numeric, IDC_VALUE_Y) == L"123456789012345"; }))
        << Narrow(ControlText(numeric, IDC_VALUE_Y));

    // Cancel hands nothing over (given as the command, for the same reason
    // as in CloseSettingsByCommand).
    PressDialogButton(numeric, IDCANCEL);
    EXPECT_TRUE(WaitUntilGone(numeric));
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{ L"120", L"60", L"315", L"200" }));
    EXPECT_FALSE(ControlEnabled(ui.dialog, IDC_APPLY));
}

struct BadInputCase {
    const char* name;
    const wchar_t* x;
    const wchar_t* y;
    const wchar_t* width;
    const wchar_t* height;
    int field;
    const wchar_t* message;
};

const BadInputCase kBadInputCases[] = {
    { "plus sign in X", L"+5", L"60", L"315", L"200", IDC_VALUE_X, kMsgBadX },
    { "X and Y both bad", L"1-2", L"", L"315", L"200", IDC_VALUE_X, kMsgBadX },
    { "Y out of range", L"120", L"-32769", L"315", L"200", IDC_VALUE_Y, kMsgBadY },
    { "negative width", L"120", L"60", L"-84", L"200", IDC_VALUE_WIDTH, kMsgBadWidth },
    { "width too small", L"120", L"60", L"83", L"200", IDC_VALUE_WIDTH, kMsgWidthTooSmall },
    { "height zero", L"120", L"60", L"315", L"0", IDC_VALUE_HEIGHT, kMsgBadHeight },
    { "height too small", L"120", L"60", L"315", L"39", IDC_VALUE_HEIGHT, kMsgHeightTooSmall },
};

TEST_F(NumericDialogTest, ReportsTheFirstFieldAtFaultAndFocusesIt)
{
    OpenNumericOrFail();
    for (const BadInputCase& c : kBadInputCases) {
        SCOPED_TRACE(c.name);
        SetTexts(c.x, c.y, c.width, c.height);
        ClickControl(numeric, IDOK);

        HWND box = WaitForMessageBox(pid);
        ASSERT_NE(box, nullptr) << "no message";
        EXPECT_EQ(MessageBoxText(box), std::wstring(c.message)) << Narrow(MessageBoxText(box));
        EXPECT_EQ(OwnerOf(box), numeric);
        PressOk(box);
        ASSERT_TRUE(WaitUntilGone(box));

        EXPECT_TRUE(WaitFor([&] { return FocusIn(numeric) == GetDlgItem(numeric, c.field); }));
        EXPECT_TRUE(IsWindowVisible(numeric)) << "the dialog stays open";
        EXPECT_EQ(Fields(), (std::vector<std::wstring>{ L"120", L"60", L"315", L"200" }));
        EXPECT_TRUE(SameRect(WindowRectOf(ui.drag), RectOf(120, 60, 315, 200)));
    }
}

TEST_F(NumericDialogTest, HandsOverPositionAndSizeAndCancelKeepsWhatWasApplied)
{
    OpenNumericOrFail();
    const RECT eyes = RectOf(kStart.x, kStart.y, kStart.width, kStart.height);

    // The position alone moves the preview.
    SetTexts(L"700", L"100", L"315", L"200");
    ASSERT_TRUE(WaitFor([&] { return ControlEnabled(numeric, IDC_APPLY); }));
    ClickControl(numeric, IDC_APPLY);
    EXPECT_TRUE(WaitForDragRect(RectOf(700, 100, 315, 200))) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"700", L"100", L"315", L"200" }));
    EXPECT_TRUE(WaitFor([&] { return !ControlEnabled(numeric, IDC_APPLY); }));
    EXPECT_TRUE(ControlEnabled(ui.dialog, IDC_APPLY));

    // A new size resizes and redraws it.
    SetTexts(L"700", L"100", L"200", L"120");
    ClickControl(numeric, IDC_APPLY);
    const RECT resized = RectOf(700, 100, 200, 120);
    EXPECT_TRUE(WaitForDragRect(resized)) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"700", L"100", L"200", L"120" }));
    EXPECT_TRUE(WaitFor([&] { return !ControlEnabled(numeric, IDC_APPLY); }));
    EXPECT_EQ(JoinLines(WaitForScreen(PreviewOverWallpaper(resized))), "");

    // Typed but not handed over: Cancel drops it and keeps the rest.
    SetTexts(L"300", L"100", L"200", L"120");
    ClickControl(numeric, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(numeric));
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{ L"700", L"100", L"200", L"120" }));
    EXPECT_TRUE(SameRect(WindowRectOf(ui.drag), resized));
    EXPECT_TRUE(ControlEnabled(ui.dialog, IDC_APPLY));
    EXPECT_TRUE(SameRect(WindowRectOf(desktop.tavrel.EyeWindow()), eyes)) << "nothing is applied yet";

    // Opened again it shows the pending values; OK hands over and closes.
    ClickControl(ui.dialog, IDC_NUMERIC_INPUT);
    numeric = WaitForDialog(FindPositionSizeDialog, pid);
    ASSERT_NE(numeric, nullptr);
    EXPECT_EQ(ControlText(numeric, IDC_VALUE_X), L"700");
    EXPECT_EQ(ControlText(numeric, IDC_VALUE_WIDTH), L"200");
    SetControlText(numeric, IDC_VALUE_Y, L" 150 ");
    ClickControl(numeric, IDOK);
    ASSERT_TRUE(WaitUntilGone(numeric));
    EXPECT_TRUE(WaitForDragRect(RectOf(700, 150, 200, 120))) << RectText(WindowRectOf(ui.drag));
    EXPECT_TRUE(WaitForFields({ L"700", L"150", L"200", L"120" }));
}

TEST_F(NumericDialogTest, ASizeThePreviewCannotBeDrawnAtEndsTheNumericDialog)
{
    OpenNumericOrFail();
    // No bitmap of 32767 x 32767 pixels can be made for the preview.
    SetTexts(L"120", L"60", L"32767", L"32767");
    ClickControl(numeric, IDOK);

    HWND box = WaitForMessageBox(pid);
    ASSERT_NE(box, nullptr) << "the drawing failure was not reported";
    EXPECT_EQ(MessageBoxText(box), std::wstring(kMsgDragBitmap)) << Narrow(MessageBoxText(box));
    EXPECT_EQ(OwnerOf(box), numeric);
    PressOk(box);
    ASSERT_TRUE(WaitUntilGone(box));
    EXPECT_TRUE(WaitUntilGone(numeric)) << "the numeric dialog ends";

    // The values are pending and shown, but the preview keeps its picture
    // and place and Apply is not enabled by the failed attempt.
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{ L"120", L"60", L"32767", L"32767" }));
    EXPECT_TRUE(SameRect(WindowRectOf(ui.drag), RectOf(120, 60, 315, 200))) << RectText(WindowRectOf(ui.drag));
    EXPECT_FALSE(ControlEnabled(ui.dialog, IDC_APPLY));
    EXPECT_TRUE(IsWindowVisible(ui.dialog));

    ASSERT_TRUE(CloseSettingsWith(IDCANCEL));
    EXPECT_TRUE(desktop.tavrel.Running());
    EXPECT_TRUE(SameRect(WindowRectOf(desktop.tavrel.EyeWindow()), RectOf(120, 60, 315, 200)));
}

TEST_F(NumericDialogTest, WhileOpenThePreviewCanBeNeitherMovedNorResized)
{
    // The drag window recognises an open pop-up of the settings dialog by
    // GetWindow(GW_ENABLEDPOPUP). Wine 8 does not implement that query (it
    // answers null even while an enabled owned pop-up is shown), so there the
    // preview still follows the mouse.
    if (RunningOnWine())
        GTEST_SKIP() << "Wine answers GetWindow(GW_ENABLEDPOPUP) with null";
    OpenNumericOrFail();
    const RECT rect = WindowRectOf(ui.drag);
    const POINT inside = MoveHandle(rect);
    ASSERT_TRUE(DragMouse(ui.drag, inside, POINT{ inside.x + 200, inside.y + 30 }, false));
    ASSERT_TRUE(DragMouse(ui.drag, POINT{ rect.right - 4, inside.y }, POINT{ rect.right + 60, inside.y }, false));
    EXPECT_TRUE(SameRect(WindowRectOf(ui.drag), rect)) << RectText(WindowRectOf(ui.drag));
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{ L"120", L"60", L"315", L"200" }));
}

TEST_F(NumericDialogTest, QuitWhileOpenEndsTheProgramWithoutApplying)
{
    OpenNumericOrFail();
    SetTexts(L"700", L"100", L"200", L"120");
    ClickControl(numeric, IDC_APPLY);
    ASSERT_TRUE(WaitForFields({ L"700", L"100", L"200", L"120" }));

    ASSERT_TRUE(ChooseTrayItem(desktop.tavrel, kMenuItemQuit));
    DWORD exitCode = 1234;
    ASSERT_TRUE(desktop.tavrel.WaitForExit(kDefaultTimeoutMs, &exitCode)) << "the program is still running";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(FileBytes(desktop.folder.SettingsPath()), SettingsBytes(kStart)) << "nothing pending is saved";
}

// A window of the test's own, to take the foreground away from the pair.
class OtherWindow {
public:
    OtherWindow()
    {
        window_ = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE | WS_BORDER, 1000, 700, 200, 150,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~OtherWindow()
    {
        if (window_ != nullptr)
            DestroyWindow(window_);
    }
    bool TakeForeground() const
    {
        SetForegroundWindow(window_);
        return WaitFor([&] { return GetForegroundWindow() == window_; });
    }

private:
    HWND window_ = nullptr;
};

TEST_F(SettingsUiTest, SettingsAgainOrASecondStartBringsTheLastActiveWindowForward)
{
    OpenSettingsOrFail();
    OtherWindow other;

    if (PreviewTakesTheMouse()) {
        // The drag window activated last: it takes the taskbar button and
        // the dialog goes directly below it.
        const POINT inside = MoveHandle(WindowRectOf(ui.drag));
        ASSERT_TRUE(DragMouse(ui.drag, inside, inside));
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == ui.drag; }));
        EXPECT_TRUE(WaitFor([&] { return GetWindow(ui.dialog, GW_HWNDPREV) == ui.drag; }));
        EXPECT_EQ(OwnerOf(ui.drag), nullptr);
        ASSERT_NE(OwnerOf(ui.dialog), nullptr);
        EXPECT_EQ(ClassOf(OwnerOf(ui.dialog)), kWorkClass);

        ASSERT_TRUE(other.TakeForeground());
        ASSERT_TRUE(ChooseTrayItem(desktop.tavrel, kMenuItemSettings));
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == ui.drag; }));

        ClickControl(ui.dialog, IDC_FRAME_X);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == ui.dialog; }));
    }

    // The dialog activated last: Settings chosen again brings it forward
    // and opens nothing new.
    EXPECT_TRUE(WaitFor([&] { return GetWindow(ui.drag, GW_HWNDPREV) == ui.dialog; }));
    ASSERT_TRUE(other.TakeForeground());
    ASSERT_TRUE(ChooseTrayItem(desktop.tavrel, kMenuItemSettings));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == ui.dialog; }));
    std::vector<HWND> dialogs;
    for (HWND window : FindWindowsOfProcess(pid, kDialogClass)) {
        if (IsWindowVisible(window))
            dialogs.push_back(window);
    }
    EXPECT_EQ(dialogs, std::vector<HWND>{ ui.dialog }) << "no second settings dialog";

    // A second start of the program does the same and ends at once.
    ASSERT_TRUE(other.TakeForeground());
    TavrelProcess second;
    ASSERT_TRUE(second.Start(desktop.folder));
    DWORD exitCode = 1234;
    ASSERT_TRUE(second.WaitForExit(kDefaultTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == ui.dialog; }));
}

TEST_F(SettingsUiTest, AReadOnlySettingsFileIsReportedAndRetriedUntilSaved)
{
    OpenSettingsOrFail();
    const Settings applied = WithRect(kStart, kClearPlace.x, kClearPlace.y, kStart.width, kStart.height);
    const RECT rect = RectOf(applied.x, applied.y, applied.width, applied.height);
    ASSERT_TRUE(HandOverRect(applied.x, applied.y, applied.width, applied.height));
    const std::wstring path = desktop.folder.SettingsPath();
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::wstring expected = ComposeErrorText(kMsgSettingsWrite, SystemErrorText(ERROR_ACCESS_DENIED).c_str());

    ClickControl(ui.dialog, IDC_APPLY);
    HWND box = WaitForMessageBox(pid);
    ASSERT_NE(box, nullptr) << "the failed save was not reported";
    EXPECT_EQ(MessageBoxText(box), expected) << Narrow(MessageBoxText(box));
    EXPECT_EQ(OwnerOf(box), ui.dialog);
    EXPECT_TRUE(SameRect(WindowRectOf(desktop.tavrel.EyeWindow()), rect)) << "the eyes show the new values";
    PressOk(box);
    ASSERT_TRUE(WaitUntilGone(box));
    EXPECT_TRUE(IsWindowVisible(ui.dialog));
    EXPECT_TRUE(ControlEnabled(ui.dialog, IDC_APPLY)) << "Apply keeps its state";

    // Nothing differs any more, yet the save is still owed: OK tries again.
    ClickControl(ui.dialog, IDOK);
    box = WaitForMessageBox(pid);
    ASSERT_NE(box, nullptr) << "OK did not retry the save";
    EXPECT_EQ(MessageBoxText(box), expected);
    PressOk(box);
    ASSERT_TRUE(WaitUntilGone(box));
    EXPECT_TRUE(IsWindowVisible(ui.dialog)) << "the dialog stays open after a failed retry";
    EXPECT_EQ(FileBytes(path), SettingsBytes(kStart));

    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(CloseSettingsWith(IDOK));
    EXPECT_EQ(FileBytes(path), SettingsBytes(applied));
    EXPECT_EQ(FindMessageBox(pid), nullptr);
}

TEST_F(SettingsUiTest, OpeningAndClosingFiftyTimesLeavesNoObjectsBehind)
{
    const auto openAndCancel = [&] {
        if (!OpenSettings(desktop.tavrel, &ui))
            return false;
        PressDialogButton(ui.dialog, IDCANCEL);
        // The owner windows go last; once they are gone, so is the rest.
        return WaitUntilGone(ui.dialog) && WaitUntilGone(ui.drag) &&
               WaitFor([&] { return FindWindowOfProcess(pid, kWorkClass) == nullptr; });
    };
    // The system creates some objects of its own over the first rounds and
    // keeps them (fonts, cached device contexts, the pieces of window
    // frames); Wine's caches take a few dozen rounds to fill. So fifty
    // rounds warm up, and the fifty after them are measured: a leak grows
    // by the same amount every round and shows in both.
    for (int warmUp = 0; warmUp < 50; ++warmUp)
        ASSERT_TRUE(openAndCancel()) << "warm-up round " << warmUp;
    const GuiObjectCounts before = CountGuiObjects(desktop.tavrel.Process());
    ASSERT_GE(before.user, 0);
    ASSERT_GE(before.gdi, 0);

    for (int round = 0; round < 50; ++round)
        ASSERT_TRUE(openAndCancel()) << "round " << round;
    EXPECT_EQ(FindMessageBox(pid), nullptr);

    const GuiObjectCounts after = CountGuiObjects(desktop.tavrel.Process());
    const char* source = before.fromSystem ? "GetGuiResources" : "windows of the process / GDI handle table";
    EXPECT_EQ(after.user, before.user) << source;
    EXPECT_EQ(after.gdi, before.gdi) << source;
}

} // namespace
