// The resources of the built tavrel.exe, as the system reads them: the icon
// images, the manifest, and the two dialogs as the dialog manager builds them, with every label fitting the
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

// The manifest the loader takes, for this build's processor, leaving the
// scaling of every coordinate to the system.
TEST_F(Resources, ManifestIsTakenByTheLoaderForThisProcessorWithoutDpiAwareness)
{
    const std::string xml = Find(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
    const std::string architecture = sizeof(void*) == 8 ? "\"amd64\"" : "\"x86\"";
    EXPECT_EQ(xml.find("dpiAware"), std::string::npos);
    size_t named = 0;
    for (size_t at = xml.find("processorArchitecture="); at != std::string::npos; at = xml.find("processorArchitecture=", at + 1))
        named += xml.compare(at + 22, architecture.size(), architecture) == 0 ? 1 : 100;
    EXPECT_EQ(named, 2u);
    const std::wstring exe = Exe();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    HANDLE context = CreateActCtxW(&request);
    EXPECT_NE(context, INVALID_HANDLE_VALUE) << "the loader would refuse the manifest";
    ReleaseActCtx(context);
}

// Each control of a dialog in the template's order: its id (-1 for a label)
// and its text. The settings dialog's value fields sit inside their frames.
using Controls = std::vector<std::pair<int, std::wstring>>;
const Controls kSettingsControls = {
    {-1, L"位置"}, {-1, L"横:"}, {101, L""}, {102, L""}, {-1, L"縦:"}, {103, L""}, {104, L""}, {-1, L"サイズ"},
    {-1, L"幅:"}, {105, L""}, {106, L""}, {-1, L"高さ:"}, {107, L""}, {108, L""},
    {109, L"位置・サイズを数値入力で設定(&K)"}, {-1, L"輪郭の色:"}, {110, L""}, {111, L"設定(&R)..."},
    {-1, L"白目の色:"}, {112, L""}, {113, L"設定(&S)..."}, {-1, L"黒目の色:"}, {114, L""}, {115, L"設定(&I)..."},
    {1, L"OK"}, {2, L"キャンセル"}, {116, L"適用(&A)"}};
const Controls kNumericControls = {
    {-1, L"位置"}, {-1, L"横(&X):"}, {102, L""}, {-1, L"縦(&Y):"}, {104, L""}, {-1, L"サイズ"}, {-1, L"幅(&W):"},
    {106, L""}, {-1, L"高さ(&H):"}, {108, L""}, {1, L"OK"}, {2, L"キャンセル"}, {116, L"適用(&A)"}};

INT_PTR CALLBACK Quiet(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// Whether a control's text fits the room it has in its font: a label in
// the lines its height holds (one at least), a button on one line clear of
// its edges.
bool TextFits(HWND control, const std::wstring& text)
{
    const bool button = ws::ClassOf(control) == L"Button";
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

// The dialog as the dialog manager builds it from the template, in the font
// it really gets: its title, its controls' ids and texts, each control
// inside the dialog, none overlapping another unless it lies within it,
// and every text with the room it needs.
void CheckDialog(const std::string& templ, const wchar_t* title, const Controls& controls)
{
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(templ.data()), nullptr, Quiet, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ws::TextOf(dialog), title);
    RECT client;
    GetClientRect(dialog, &client);
    std::vector<RECT> placed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const size_t i = placed.size();
        ASSERT_LT(i, controls.size());
        SCOPED_TRACE(ws::Narrow(L"control " + std::to_wstring(i) + L" " + controls[i].second));
        EXPECT_EQ(GetDlgCtrlID(child), controls[i].first);
        EXPECT_EQ(ws::TextOf(child), controls[i].second);
        RECT r = ws::RectOf(child), common;
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << "outside";
        for (const RECT& other : placed)
            EXPECT_TRUE(!IntersectRect(&common, &r, &other) || EqualRect(&common, &r) || EqualRect(&common, &other))
                << "overlaps an earlier control";
        placed.push_back(r);
        EXPECT_TRUE(controls[i].second.empty() || TextFits(child, controls[i].second)) << "the text does not fit";
    }
    EXPECT_EQ(placed.size(), controls.size());
    DestroyWindow(dialog);
}

TEST_F(Resources, SettingsDialogHoldsItsControlsWithRoomForTheirTexts)
{
    CheckDialog(Find(RT_DIALOG, MAKEINTRESOURCEW(101)), L"Tavrel 設定", kSettingsControls);
}

TEST_F(Resources, NumericDialogHoldsItsControlsWithRoomForTheirTexts)
{
    CheckDialog(Find(RT_DIALOG, MAKEINTRESOURCEW(102)), L"位置・サイズ設定", kNumericControls);
}

} // namespace
