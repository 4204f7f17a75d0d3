// The resources of the built tavrel.exe, as the system reads them: the icon
// images, the version record, the manifest, the popup menu, and the two
// dialogs as the dialog manager builds them, with every label fitting the
// room it has in the font the dialog really gets.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/win_support.h"

namespace {

class Resources : public testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExW(Exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }
    static std::wstring Exe() { return ws::BinFolder() + L"\\tavrel.exe"; }
    std::string Find(LPCWSTR type, LPCWSTR name) const
    {
        HRSRC info = FindResourceW(module_, name, type);
        return info == nullptr ? "" : std::string(static_cast<const char*>(LockResource(LoadResource(module_, info))),
                                                  SizeofResource(module_, info));
    }
    HMODULE module_ = nullptr;
};

// Each image of icon 101: 32 bits a pixel, transparent corners, an opaque
// eye, and a picture the system can make an icon of.
TEST_F(Resources, IconHasFiveSizesAt32BitsWithTransparentCorners)
{
    for (int size : {16, 24, 32, 48, 256}) {
        const std::string group = Find(RT_GROUP_ICON, MAKEINTRESOURCEW(101));
        const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(const_cast<char*>(group.data())), TRUE,
                                                   size, size, 0);
        std::string image = Find(RT_ICON, MAKEINTRESOURCEW(id));
        const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
        ASSERT_TRUE(header->biWidth == size && header->biBitCount == 32) << size;
        const BYTE* argb = reinterpret_cast<const BYTE*>(header + 1);
        auto alpha = [&](int x, int y) { return argb[4 * ((size - 1 - y) * size + x) + 3]; };
        EXPECT_EQ(alpha(0, 0) | alpha(size - 1, size - 1), 0) << size;
        EXPECT_EQ(alpha(size / 4, size / 2), 255) << size;
        HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(&image[0]), DWORD(image.size()), TRUE,
                                              0x00030000, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        DestroyIcon(icon);
    }
    EXPECT_EQ(*reinterpret_cast<const WORD*>(Find(RT_GROUP_ICON, MAKEINTRESOURCEW(101)).data() + 4), 5);
}

// The strings as Explorer finds them, through the block that the
// translation table names.
TEST_F(Resources, VersionRecordNamesTheProgramAndItsVersions)
{
    std::vector<BYTE> block(GetFileVersionInfoSizeW(Exe().c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(Exe().c_str(), 0, DWORD(block.size()), block.data()));
    auto value = [&](const std::wstring& name) {
        void* data = nullptr;
        UINT length = 0;
        return VerQueryValueW(block.data(), name.c_str(), &data, &length) ? data : nullptr;
    };
    const VS_FIXEDFILEINFO* fixed = static_cast<VS_FIXEDFILEINFO*>(value(L"\\"));
    EXPECT_TRUE(fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0x00010001 && fixed->dwFileType == VFT_APP);
    const WORD* translation = static_cast<WORD*>(value(L"\\VarFileInfo\\Translation"));
    wchar_t prefix[64];
    wsprintfW(prefix, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    for (const auto& entry : {std::pair<const wchar_t*, const wchar_t*>{L"ProductName", L"Tavrel"},
                              {L"FileDescription", L"Tavrel"}, {L"InternalName", L"tavrel"},
                              {L"OriginalFilename", L"tavrel.exe"}, {L"ProductVersion", L"1.01"},
                              {L"FileVersion", L"1.0.1.1"}})
        EXPECT_STREQ(static_cast<const wchar_t*>(value(prefix + std::wstring(entry.first))), entry.second);
}

TEST_F(Resources, ManifestRunsAsInvokerWithCommonControls6ForThisProcessor)
{
    const std::string xml = Find(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
    const std::string architecture = sizeof(void*) == 8 ? "amd64" : "x86";
    EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_EQ(xml.find("dpiAware"), std::string::npos) << "the program leaves scaling to the system";
    size_t named = 0;
    for (size_t at = xml.find("processorArchitecture="); at != std::string::npos;
         at = xml.find("processorArchitecture=", at + 1), ++named)
        EXPECT_EQ(xml.substr(at + 23, architecture.size() + 1), architecture + "\"");
    EXPECT_EQ(named, 2u);
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    const std::wstring exe = Exe();
    request.lpSource = exe.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    HANDLE context = CreateActCtxW(&request);
    EXPECT_NE(context, INVALID_HANDLE_VALUE) << "the loader would refuse the manifest";
    ReleaseActCtx(context);
}

TEST_F(Resources, PopupMenuHoldsQuitAndSettingsPlainly)
{
    HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(101));
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(popup), 2);
    const std::pair<UINT, const wchar_t*> items[] = {{101, L"終了(&Q)"}, {102, L"設定(&S)..."}};
    for (UINT i = 0; i < 2; ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_FTYPE;
        item.dwTypeData = text;
        item.cch = 64;
        ASSERT_TRUE(GetMenuItemInfoW(popup, i, TRUE, &item));
        EXPECT_EQ(item.wID, items[i].first);
        EXPECT_EQ(std::wstring(text), items[i].second);
        EXPECT_EQ(item.fState | item.fType, 0u) << "plain: no default, check mark or grey state";
    }
    DestroyMenu(menu);
}

// One control as the template gives it: id, class, style bits, text and
// rectangle in dialog units.
struct Control {
    int id;
    const wchar_t* cls;
    DWORD style;
    const wchar_t* text;
    RECT units;
};

constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD kFrame = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_OWNERDRAW;
constexpr DWORD kSwatch = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFTNOWORDWRAP;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
// The dialog manager draws an edit's border as a sunken client edge.
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;

const std::vector<Control> kSettingsControls = {
    {-1, L"Static", kLabel, L"位置", {8, 10, 20, 12}},           {-1, L"Static", kLabel, L"横:", {16, 23, 14, 12}},
    {101, L"Static", kFrame, L"", {34, 20, 24, 14}},              {102, L"Static", kLabel, L"", {36, 23, 20, 10}},
    {-1, L"Static", kLabel, L"縦:", {72, 23, 14, 12}},            {103, L"Static", kFrame, L"", {90, 20, 24, 14}},
    {104, L"Static", kLabel, L"", {92, 23, 20, 10}},              {-1, L"Static", kLabel, L"サイズ", {8, 38, 20, 12}},
    {-1, L"Static", kLabel, L"幅:", {16, 51, 14, 12}},            {105, L"Static", kFrame, L"", {34, 48, 24, 14}},
    {106, L"Static", kLabel, L"", {36, 51, 20, 10}},              {-1, L"Static", kLabel, L"高さ:", {72, 51, 14, 12}},
    {107, L"Static", kFrame, L"", {90, 48, 24, 14}},              {108, L"Static", kLabel, L"", {92, 51, 20, 10}},
    {109, L"Button", kButton, L"位置・サイズを数値入力で設定(&K)", {16, 72, 108, 14}},
    {-1, L"Static", kLabel, L"輪郭の色:", {8, 100, 34, 12}},      {110, L"Static", kSwatch, L"", {42, 98, 20, 14}},
    {111, L"Button", kButton, L"設定(&R)...", {66, 98, 40, 14}}, {-1, L"Static", kLabel, L"白目の色:", {8, 120, 34, 12}},
    {112, L"Static", kSwatch, L"", {42, 118, 20, 14}},            {113, L"Button", kButton, L"設定(&S)...", {66, 118, 40, 14}},
    {-1, L"Static", kLabel, L"黒目の色:", {8, 140, 34, 12}},      {114, L"Static", kSwatch, L"", {42, 138, 20, 14}},
    {115, L"Button", kButton, L"設定(&I)...", {66, 138, 40, 14}}, {1, L"Button", kButton, L"OK", {8, 166, 40, 14}},
    {2, L"Button", kButton, L"キャンセル", {52, 166, 40, 14}},
    {116, L"Button", kButton | WS_DISABLED, L"適用(&A)", {96, 166, 40, 14}}};

const std::vector<Control> kNumericControls = {
    {-1, L"Static", kLabel, L"位置", {8, 10, 20, 12}},        {-1, L"Static", kLabel, L"横(&X):", {16, 23, 26, 12}},
    {102, L"Edit", kEdit, L"", {42, 20, 24, 14}},              {-1, L"Static", kLabel, L"縦(&Y):", {80, 23, 26, 12}},
    {104, L"Edit", kEdit, L"", {106, 20, 24, 14}},             {-1, L"Static", kLabel, L"サイズ", {8, 38, 20, 12}},
    {-1, L"Static", kLabel, L"幅(&W):", {16, 51, 26, 12}},     {106, L"Edit", kEdit, L"", {42, 48, 24, 14}},
    {-1, L"Static", kLabel, L"高さ(&H):", {80, 51, 26, 12}},   {108, L"Edit", kEdit, L"", {106, 48, 24, 14}},
    {1, L"Button", kButton, L"OK", {8, 77, 40, 14}},           {2, L"Button", kButton, L"キャンセル", {52, 77, 40, 14}},
    {116, L"Button", kButton | WS_DISABLED, L"適用(&A)", {96, 77, 40, 14}}};

INT_PTR CALLBACK Quiet(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Whether a control's text fits the room it has in its font: a label in
// the lines its height holds (one at least), a button on one line clear of
// its edges.
bool TextFits(HWND control, const std::wstring& text, bool button)
{
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    RECT need = {0, 0, client.right, 0};
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK | DT_EXPANDTABS));
    const LONG lines = std::max<LONG>(1, client.bottom / metrics.tmHeight);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return button ? need.right <= client.right - 6 : need.bottom <= lines * metrics.tmHeight && need.right <= client.right;
}

void CheckDialog(const std::string& templ, const wchar_t* title, DWORD style, SIZE units,
                 const std::vector<Control>& controls)
{
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(templ.data()), nullptr, Quiet, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ws::TextOf(dialog), title);
    EXPECT_EQ(DWORD(GetWindowLongW(dialog, GWL_STYLE)) & style, style);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(std::wstring(font.lfFaceName), L"MS UI Gothic");
    EXPECT_EQ(font.lfHeight, -MulDiv(9, GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), 72));
    RECT client{0, 0, units.cx, units.cy}, actual;
    MapDialogRect(dialog, &client);
    GetClientRect(dialog, &actual);
    EXPECT_TRUE(actual.right == client.right && actual.bottom == client.bottom);
    size_t i = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT), ++i) {
        ASSERT_LT(i, controls.size());
        const Control& want = controls[i];
        const std::wstring text = ws::TextOf(child);
        SCOPED_TRACE(ws::Narrow(L"control " + std::to_wstring(i) + L" " + want.text));
        RECT rect = want.units, placed = ws::RectOf(child);
        MapDialogRect(dialog, &rect);
        rect.right += rect.left;
        rect.bottom += rect.top;
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_TRUE(EqualRect(&rect, &placed)) << "misplaced";
        EXPECT_EQ(_wcsicmp(ws::ClassOf(child).c_str(), want.cls), 0);
        EXPECT_EQ(GetDlgCtrlID(child), want.id);
        EXPECT_EQ(DWORD(GetWindowLongW(child, GWL_STYLE)) & want.style, want.style);
        EXPECT_EQ(IsWindowEnabled(child) != 0, (want.style & WS_DISABLED) == 0);
        EXPECT_EQ(text, want.text);
        EXPECT_EQ((GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0,
                  want.style == kSwatch || want.style == kEdit);
        if (!text.empty()) {
            EXPECT_TRUE(TextFits(child, text, want.style == kButton || want.style == (kButton | WS_DISABLED)))
                << "the text does not fit";
        }
    }
    EXPECT_EQ(i, controls.size());
    DestroyWindow(dialog);
}

TEST_F(Resources, SettingsDialogHasEveryControlInPlaceWithRoomForItsText)
{
    CheckDialog(Find(RT_DIALOG, MAKEINTRESOURCEW(101)), L"Tavrel 設定", WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_SETFONT,
                {144, 184}, kSettingsControls);
}

TEST_F(Resources, NumericDialogHasEveryControlInPlaceWithRoomForItsText)
{
    CheckDialog(Find(RT_DIALOG, MAKEINTRESOURCEW(102)), L"位置・サイズ設定", WS_CAPTION | WS_SYSMENU | DS_SETFONT,
                {144, 95}, kNumericControls);
}

} // namespace
