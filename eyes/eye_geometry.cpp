#include "eyes/eye_geometry.h"

#include <cfloat>
#include <cmath>

// Every build must place the pupils on the same pixels, so the arithmetic
// here is IEEE double precision, evaluated in doubles. A 32-bit x86 build
// that does its floating-point work on the x87 unit keeps intermediate
// results at 80 bits and lands some pupils one pixel off; it must be built
// to use SSE2 instead.
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must be evaluated in double precision");

namespace {

// The double nearest to 5/18. The product with eyeWidth is a double
// multiplication, deliberately not an exact 5 * eyeWidth / 18.
constexpr double kTravelFactor = 0.2777777777777778;

// Truncation of value + 0.5 toward zero. This is not rounding to nearest for
// negative values (-41.67 gives -41), which puts a pupil pushed fully left
// one pixel closer to the centre than one pushed fully right.
int32_t TruncateHalfUp(double value)
{
    return int32_t(value + 0.5);
}

} // namespace

// Each eye's box is a little under half the window, (W * 10 + 10) / 21.
int32_t EyeWidthFor(int32_t width)
{
    return (width * 10 + 10) / 21;
}

EyeGeometry DeriveEyeGeometry(int32_t width, int32_t height)
{
    EyeGeometry g;
    g.eyeWidth = EyeWidthFor(width);
    g.rightEyeLeft = width - g.eyeWidth;
    g.pupilTravel = double(g.eyeWidth) * kTravelFactor;
    g.pupilWidth = (g.eyeWidth + 3) / 6;
    g.pupilHeight = (height + 3) / 6;
    g.eyeAspect = double(height) / double(g.eyeWidth);
    g.pixelCount = width * height;
    return g;
}

OutlineRing DeriveOutlineRing(const EyeGeometry& geometry, int32_t height)
{
    OutlineRing ring;
    ring.rimWidth = (geometry.eyeWidth + 5) / 10;
    ring.rimHeight = (height + 5) / 10;
    ring.innerWidth = geometry.eyeWidth - (2 * ring.rimWidth + 1);
    ring.innerHeight = height - (2 * ring.rimHeight + 1);
    return ring;
}

// The vertical offset is divided by the eye's aspect, which turns the eye
// into a circle as wide as the eye; the pupil's centre is kept inside a
// circle of radius pupilTravel there and scaled back. Each eye looks at the
// cursor on its own, so the pupils converge when the cursor is between them.
// A distance exactly equal to pupilTravel is not clamped, and a cursor on an
// eye's centre takes no square root.
void PlacePupils(const EyeGeometry& g, int32_t x, int32_t y, int32_t height,
                 int32_t cursorX, int32_t cursorY, PupilRect (&pupils)[2])
{
    const int32_t halfEye = g.eyeWidth >> 1;
    const int32_t halfHeight = height >> 1;
    // The position comes from the settings file unchecked, so the offsets
    // wrap around in 32 bits exactly as the machine arithmetic does, rather
    // than overflow.
    const int32_t dx = int32_t(uint32_t(cursorX) - uint32_t(halfEye) - uint32_t(x));
    const int32_t dy = int32_t(uint32_t(cursorY) - uint32_t(halfHeight) - uint32_t(y));
    const double s = double(dy) / g.eyeAspect;
    const double s2 = s * s;
    const double r2 = g.pupilTravel * g.pupilTravel;

    for (int eye = 0; eye < 2; ++eye) {
        double u = double(dx);
        if (eye == 1)
            u -= double(g.rightEyeLeft);
        double uClamped = u;
        double sClamped = s;
        const double d2 = u * u + s2;
        if (d2 > r2) {
            const double k = g.pupilTravel / std::sqrt(d2);
            uClamped = k * u;
            sClamped = k * s;
        }
        const double v = g.eyeAspect * sClamped;
        const int32_t ox = TruncateHalfUp(uClamped);
        const int32_t oy = TruncateHalfUp(v);

        PupilRect& p = pupils[eye];
        p.left = ox - (g.pupilWidth >> 1) + halfEye + (eye == 1 ? g.rightEyeLeft : 0);
        p.top = oy - (g.pupilHeight >> 1) + halfHeight;
        p.ellipseWidth = g.pupilWidth - 1;
        p.ellipseHeight = g.pupilHeight - 1;
    }
}

bool SamePupils(const PupilRect (&a)[2], const PupilRect (&b)[2])
{
    for (int eye = 0; eye < 2; ++eye) {
        if (a[eye].left != b[eye].left || a[eye].top != b[eye].top || a[eye].ellipseWidth != b[eye].ellipseWidth ||
            a[eye].ellipseHeight != b[eye].ellipseHeight)
            return false;
    }
    return true;
}

// The pixels that the anti-aliased fill of a pupil can change. Pixel
// centres lie on whole coordinates, so the ellipse inscribed in (left, top,
// width, height) reaches into the pixels from left to left + width; two more
// on every side leave room for any rounding of the edge. Clipped to the
// window of the given size.
PixelArea PupilPaintArea(const PupilRect& pupil, int32_t width, int32_t height)
{
    constexpr int32_t kMargin = 2;
    PixelArea area{ pupil.left - kMargin, pupil.top - kMargin, pupil.left + pupil.ellipseWidth + 1 + kMargin,
                    pupil.top + pupil.ellipseHeight + 1 + kMargin };
    area.left = area.left < 0 ? 0 : area.left;
    area.top = area.top < 0 ? 0 : area.top;
    area.right = area.right > width ? width : area.right;
    area.bottom = area.bottom > height ? height : area.bottom;
    return area;
}

PixelArea UniteAreas(const PixelArea& a, const PixelArea& b)
{
    return { a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
             a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom };
}
