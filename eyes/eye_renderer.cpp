#include "eyes/eye_renderer.h"

#include <cstring>
#include <new>

#include <gdiplus.h>

#include "app/app_state.h"
#include "app/change_bits.h"
#include "app/messages.h"
#include "app/report_error.h"
#include "eyes/eye_geometry.h"
#include "eyes/eye_pixels.h"
#include "eyes/pixel_buffer.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

// Every frame is blended by its own per-pixel alpha.
const BLENDFUNCTION kEyeBlend = { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };

constexpr ARGB kMaskWhite = 0xFFFFFFFF;

// The settings file does not reject a non-zero top byte in a colour, and
// the conversions would carry it into the green channel; it is dropped.
constexpr uint32_t kColorRefBits = 0x00FFFFFF;

// The header of a W x H bottom-up 32-bit bitmap without compression.
BITMAPINFOHEADER EyeBitmapHeader(int32_t width, int32_t height)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

// A DIB section of the given header on the screen's device context, with its
// pixel memory in bits. Null on failure, with the error code kept for the
// caller's report.
HBITMAP CreateEyeBitmap(HDC screen, const BITMAPINFOHEADER& header, void*& bits, DWORD& error)
{
    BITMAPINFO info = {};
    info.bmiHeader = header;
    bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    error = bitmap != nullptr ? ERROR_SUCCESS : GetLastError();
    return bitmap;
}

// The background buffer for the current geometry, or null after a report
// owned by owner. The byte count is checked before anything is requested.
uint32_t* AllocateBackground(HWND owner)
{
    uint32_t bytes = 0;
    uint32_t* pixels = nullptr;
    if (BackgroundBufferBytes(g_app.eyeGeometry.pixelCount, bytes))
        pixels = new (std::nothrow) uint32_t[bytes / 4];
    if (pixels == nullptr)
        ReportError(owner, kMsgEyeSurfaces, ERROR_NOT_ENOUGH_MEMORY);
    return pixels;
}

// An anti-aliased Graphics on memoryDC, or null after a report.
GpGraphics* CreateEyeGraphics(HWND owner)
{
    GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(g_app.memoryDC, &graphics) != Ok || graphics == nullptr) {
        ReportError(owner, kMsgEyeSurfaces, 0);
        return nullptr;
    }
    GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
    return graphics;
}

// The opaque pupil brush in the current pupil colour, or null after a report.
GpSolidFill* CreatePupilBrush(HWND owner)
{
    GpSolidFill* brush = nullptr;
    const ARGB colour = ColorRefToArgb(g_app.settings.pupilColor & kColorRefBits);
    if (GdipCreateSolidFill(colour, &brush) != Ok || brush == nullptr) {
        ReportError(owner, kMsgEyeSurfaces, 0);
        return nullptr;
    }
    return brush;
}

void DeleteEyeGraphics()
{
    if (g_app.eyeGraphics == nullptr)
        return;
    GdipDeleteGraphics(g_app.eyeGraphics);
    g_app.eyeGraphics = nullptr;
}

void DeletePupilBrush()
{
    if (g_app.pupilBrush == nullptr)
        return;
    GdipDeleteBrush(g_app.pupilBrush);
    g_app.pupilBrush = nullptr;
}

void FreeBackground()
{
    delete[] g_app.backgroundPixels;
    g_app.backgroundPixels = nullptr;
}

// Whether a frame may be drawn: every drawing object exists, and the eye
// bitmap, the background and the geometry all have the size in Settings.
// The bitmap header is only rewritten once its bitmap exists, and the
// background is allocated after the bitmap, so the header tells the size of
// both.
bool SurfacesComplete()
{
    const Settings& s = g_app.settings;
    return g_app.eyeBits != nullptr && g_app.backgroundPixels != nullptr && g_app.eyeGraphics != nullptr &&
           g_app.pupilBrush != nullptr && g_app.eyeBitmapInfo.biWidth == s.width &&
           g_app.eyeBitmapInfo.biHeight == s.height && g_app.eyeGeometry.pixelCount == s.width * s.height;
}

// The size step of a rebuild: a new eye bitmap, Graphics and background
// buffer for the new W x H. Returns false after its report; whatever was not
// replaced then stays released or at the old size, and no frame is drawn
// until the surfaces are complete again.
bool ReplaceSizedSurfaces(HWND owner)
{
    const Settings& s = g_app.settings;
    g_app.eyeGeometry = DeriveEyeGeometry(s.width, s.height);
    DeleteEyeGraphics();

    HDC screen = GetDC(nullptr);
    const BITMAPINFOHEADER header = EyeBitmapHeader(s.width, s.height);
    void* bits = nullptr;
    DWORD error = ERROR_SUCCESS;
    HBITMAP bitmap = CreateEyeBitmap(screen, header, bits, error);
    ReleaseDC(nullptr, screen);
    if (bitmap == nullptr) {
        ReportError(owner, kMsgEyeBitmap, error);
        return false;
    }
    HGDIOBJ previous = SelectObject(g_app.memoryDC, bitmap);
    if (previous == nullptr) {
        DeleteObject(bitmap);
        ReportError(owner, kMsgEyeBitmap, GetLastError());
        return false;
    }
    DeleteObject(previous);
    g_app.eyeBits = bits;
    g_app.eyeBitmapInfo = header;

    g_app.eyeGraphics = CreateEyeGraphics(owner);
    if (g_app.eyeGraphics == nullptr)
        return false;
    FreeBackground();
    g_app.backgroundPixels = AllocateBackground(owner);
    return g_app.backgroundPixels != nullptr;
}

// Fills the ellipses inscribed in the given rectangles (x, y, width,
// height) into backgroundPixels in one colour, anti-aliased, with the
// buffer wrapped in place as a GDI+ bitmap of the given format. Everything
// is released before returning, so the fills are complete in the buffer.
void FillIntoBackground(PixelFormat format, ARGB colour, const INT (&ellipses)[2][4])
{
    const Settings& s = g_app.settings;
    GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromScan0(s.width, s.height, s.width * 4, format,
                              reinterpret_cast<BYTE*>(g_app.backgroundPixels), &bitmap);
    if (bitmap == nullptr)
        return;
    GpGraphics* graphics = nullptr;
    GdipGetImageGraphicsContext(bitmap, &graphics);
    GpSolidFill* brush = nullptr;
    GdipCreateSolidFill(colour, &brush);
    if (graphics != nullptr && brush != nullptr) {
        GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
        for (const auto& e : ellipses)
            GdipFillEllipseI(graphics, brush, e[0], e[1], e[2], e[3]);
    }
    if (brush != nullptr)
        GdipDeleteBrush(brush);
    if (graphics != nullptr)
        GdipDeleteGraphics(graphics);
    GdipDisposeImage(bitmap);
}

} // namespace

// Creates the memory device context with the eye bitmap, starts GDI+, and
// prepares the background, the Graphics on the bitmap and the pupil brush.
// Every failure is reported once and returns false; what was made by then
// is released by DestroyEyeSurfaces at shutdown.
bool CreateEyeSurfaces()
{
    HDC screen = GetDC(nullptr);
    g_app.memoryDC = CreateCompatibleDC(screen);
    if (g_app.memoryDC == nullptr) {
        ShowMessage(nullptr, kMsgCreateCompatibleDC);
        ReleaseDC(nullptr, screen);
        return false;
    }
    const Settings& s = g_app.settings;
    const BITMAPINFOHEADER header = EyeBitmapHeader(s.width, s.height);
    g_app.eyeBitmapInfo = header;
    void* bits = nullptr;
    DWORD error = ERROR_SUCCESS;
    HBITMAP bitmap = CreateEyeBitmap(screen, header, bits, error);
    if (bitmap == nullptr)
        ReportError(nullptr, kMsgEyeBitmap, error);
    ReleaseDC(nullptr, screen);
    if (bitmap == nullptr)
        return false;

    g_app.defaultBitmap = static_cast<HBITMAP>(SelectObject(g_app.memoryDC, bitmap));
    if (g_app.defaultBitmap == nullptr) {
        DeleteObject(bitmap);
        ReportError(nullptr, kMsgEyeBitmap, GetLastError());
        return false;
    }
    g_app.eyeBits = bits;

    GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok || token == 0) {
        ReportError(nullptr, kMsgGdiplus, 0);
        return false;
    }
    g_app.gdiplusToken = token;

    g_app.backgroundPixels = AllocateBackground(nullptr);
    if (g_app.backgroundPixels == nullptr)
        return false;
    BuildEyeBackground();
    g_app.eyeGraphics = CreateEyeGraphics(nullptr);
    if (g_app.eyeGraphics == nullptr)
        return false;
    g_app.pupilBrush = CreatePupilBrush(nullptr);
    if (g_app.pupilBrush == nullptr)
        return false;
    g_app.surfacesMatchSettings = SurfacesComplete();
    g_app.fullFrameNeeded = true;
    return true;
}

// Draws both eyes without pupils into backgroundPixels, top row first: the
// eye shapes white on black as a coverage mask, the mask recoloured into the
// outline colour premultiplied by its coverage, and the white of each eye
// over it. Failing GDI+ calls leave that part of the picture missing.
//
// The mask is drawn into a format without alpha, whose blue byte then holds
// the coverage. The white of the eye is drawn into the premultiplied format:
// it covers only opaque outline pixels and leaves them opaque, which the
// format states itself rather than leaving the unused byte of the alpha-less
// format to the graphics library (Wine's writes 0 there, Windows' 0xFF).
void BuildEyeBackground()
{
    const Settings& s = g_app.settings;
    const EyeGeometry& g = g_app.eyeGeometry;
    const OutlineRing ring = DeriveOutlineRing(g, s.height);
    std::memset(g_app.backgroundPixels, 0, size_t(g.pixelCount) * 4);

    const INT outer[2][4] = {
        { 0, 0, g.eyeWidth - 1, s.height - 1 },
        { g.rightEyeLeft, 0, g.eyeWidth - 1, s.height - 1 },
    };
    FillIntoBackground(PixelFormat32bppRGB, kMaskWhite, outer);

    RecolourMask(g_app.backgroundPixels, g.pixelCount, s.outlineColor & kColorRefBits);

    const INT inner[2][4] = {
        { ring.rimWidth, ring.rimHeight, ring.innerWidth, ring.innerHeight },
        { g.rightEyeLeft + ring.rimWidth, ring.rimHeight, ring.innerWidth, ring.innerHeight },
    };
    FillIntoBackground(PixelFormat32bppPARGB, ColorRefToArgb(s.eyeWhiteColor & kColorRefBits), inner);
}

// Where the settings put the eye window in its host's client coordinates,
// from the host's origin as last read: nothing is asked of the host, which
// is another program's window.
POINT EyePositionInHost()
{
    return { LONG(int64_t(g_app.settings.x) - g_app.hostOrigin.x), LONG(int64_t(g_app.settings.y) - g_app.hostOrigin.y) };
}

// Decides the frame for a cursor at a screen point: the pupils looking at
// it, the eye window's place in the host's client coordinates, and whether
// the frame is drawn whole or only where the pupils were and go. Returns
// false when the frame would show exactly what is shown already, and when
// nothing may be drawn: after a failed rebuild, and while there is no eye
// window, which will be given a whole frame when it is made again.
bool PlanFrame(POINT cursor, FramePlan& plan)
{
    if (!g_app.surfacesMatchSettings || g_app.EyeWindow == nullptr) {
        g_app.fullFrameNeeded = true;
        return false;
    }
    const Settings& s = g_app.settings;
    PlacePupils(g_app.eyeGeometry, s.x, s.y, s.height, cursor.x, cursor.y, plan.pupils);
    plan.position = EyePositionInHost();
    plan.full = g_app.fullFrameNeeded || plan.position.x != g_app.shownPosition.x ||
                plan.position.y != g_app.shownPosition.y;
    if (!plan.full && SamePupils(plan.pupils, g_app.shownPupils))
        return false;
    for (int eye = 0; eye < 2; ++eye) {
        plan.restored[eye] = UniteAreas(PupilPaintArea(g_app.shownPupils[eye], s.width, s.height),
                                        PupilPaintArea(plan.pupils[eye], s.width, s.height));
    }
    plan.dirty = UniteAreas(plan.restored[0], plan.restored[1]);
    return true;
}

// Puts the background under the frame: all of it for a whole frame, else
// only the blocks where the old pupils were and the new ones go, so that
// the new pupils are blended over the background exactly as in a whole
// frame. The eye bitmap is bottom-up and holds the background byte for
// byte, so picture row y is memory row height - 1 - y in both.
void RestoreBackground(const FramePlan& plan)
{
    const Settings& s = g_app.settings;
    uint32_t* bits = static_cast<uint32_t*>(g_app.eyeBits);
    GdiFlush();
    if (plan.full) {
        std::memcpy(bits, g_app.backgroundPixels, size_t(g_app.eyeGeometry.pixelCount) * 4);
        return;
    }
    for (const PixelArea& area : plan.restored) {
        for (int32_t y = area.top; y < area.bottom; ++y) {
            const size_t offset = size_t(s.height - 1 - y) * size_t(s.width) + size_t(area.left);
            std::memcpy(bits + offset, g_app.backgroundPixels + offset, size_t(area.right - area.left) * 4);
        }
    }
}

void FillPupils(const FramePlan& plan)
{
    for (const PupilRect& pupil : plan.pupils)
        GdipFillEllipseI(g_app.eyeGraphics, g_app.pupilBrush, pupil.left, pupil.top, pupil.ellipseWidth,
                         pupil.ellipseHeight);
}

// Shows the frame and puts the eye window at the settings' rectangle. A
// frame that changed only the pupils hands over only the block that holds
// them. Only a frame the system took counts as shown: after a failed one,
// the window still shows what it showed before, while the bitmap already
// holds the new pupils, so the next frame is drawn and shown whole.
bool ShowFrame(const FramePlan& plan)
{
    const Settings& s = g_app.settings;
    POINT position = plan.position;
    SIZE size = { s.width, s.height };
    POINT source = { 0, 0 };
    const RECT dirty = { plan.dirty.left, plan.dirty.top, plan.dirty.right, plan.dirty.bottom };
    UPDATELAYEREDWINDOWINFO update = {};
    update.cbSize = sizeof(update);
    update.pptDst = &position;
    update.psize = &size;
    update.hdcSrc = g_app.memoryDC;
    update.pptSrc = &source;
    update.pblend = &kEyeBlend;
    update.dwFlags = ULW_ALPHA;
    update.prcDirty = plan.full ? nullptr : &dirty;
    if (!UpdateLayeredWindowIndirect(g_app.EyeWindow, &update)) {
        g_app.fullFrameNeeded = true;
        return false;
    }
    for (int eye = 0; eye < 2; ++eye)
        g_app.shownPupils[eye] = plan.pupils[eye];
    g_app.shownPosition = plan.position;
    g_app.fullFrameNeeded = false;
    return true;
}

// One frame for a cursor at a screen point, unless it would show what is
// shown already. It runs for every movement the hook reports, so it
// allocates nothing and rebuilds nothing. Returns whether a frame was shown.
bool RenderEyes(POINT cursor)
{
    FramePlan plan;
    if (!PlanFrame(cursor, plan))
        return false;
    RestoreBackground(plan);
    FillPupils(plan);
    return ShowFrame(plan);
}

// Brings the surfaces in line with Settings after an applied change,
// rebuilding exactly what the change bits name, and draws a frame at the
// cursor. A failure is reported, owned by owner, and returns false; the
// surfaces then stay marked as not matching, so no frame touches a released
// object or a buffer of the old size.
bool RebuildEyeSurfaces(uint32_t changes, HWND owner)
{
    if (changes == 0)
        return true;
    g_app.fullFrameNeeded = true;
    if ((changes & SizeChanged) != 0) {
        g_app.surfacesMatchSettings = false;
        if (!ReplaceSizedSurfaces(owner))
            return false;
    }
    if ((changes & (SizeChanged | EyeColorsChanged)) != 0 && g_app.backgroundPixels != nullptr)
        BuildEyeBackground();
    if ((changes & PupilColorChanged) != 0) {
        g_app.surfacesMatchSettings = false;
        DeletePupilBrush();
        g_app.pupilBrush = CreatePupilBrush(owner);
        if (g_app.pupilBrush == nullptr)
            return false;
    }
    g_app.surfacesMatchSettings = SurfacesComplete();
    POINT cursor = {};
    GetCursorPos(&cursor);
    RenderEyes(cursor);
    return true;
}

// Releases the GDI+ objects and the background, shuts GDI+ down, puts the
// original bitmap back into memoryDC and deletes the eye bitmap and the DC.
// Each step tests its own handle, so a start-up that failed half-way is
// released by the same code.
void DestroyEyeSurfaces()
{
    if (g_app.memoryDC == nullptr)
        return;
    g_app.surfacesMatchSettings = false;
    FreeBackground();
    DeleteEyeGraphics();
    DeletePupilBrush();
    if (g_app.gdiplusToken != 0) {
        GdiplusShutdown(g_app.gdiplusToken);
        g_app.gdiplusToken = 0;
    }
    if (g_app.defaultBitmap != nullptr) {
        HGDIOBJ eyeBitmap = SelectObject(g_app.memoryDC, g_app.defaultBitmap);
        if (eyeBitmap != nullptr)
            DeleteObject(eyeBitmap);
        g_app.defaultBitmap = nullptr;
        g_app.eyeBits = nullptr;
    }
    DeleteDC(g_app.memoryDC);
    g_app.memoryDC = nullptr;
}
