#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "eyes/eye_geometry.h"

namespace {

struct GeometryCase {
    int32_t width, height;
    int32_t eyeWidth, rightEyeLeft;
    double pupilTravel, eyeAspect;
    int32_t pupilWidth, pupilHeight, pixelCount;
    int32_t rimWidth, rimHeight, innerWidth, innerHeight;
};

TEST(DeriveEyeGeometry, MatchesTheWorkedTable)
{
    const GeometryCase cases[] = {
        { 84, 40, 40, 44, 11.11111111111111, 1.0, 7, 7, 3360, 4, 4, 31, 31 },
        { 315, 200, 150, 165, 41.66666666666667, 1.3333333333333333, 25, 33, 63000, 15, 20, 119, 159 },
        { 400, 120, 190, 210, 52.77777777777778, 0.631578947368421, 32, 20, 48000, 19, 12, 151, 95 },
        { 85, 40, 40, 45, 11.11111111111111, 1.0, 7, 7, 3400, 4, 4, 31, 31 },
        { 32767, 32767, 15603, 17164, 15603 * 0.2777777777777778, 32767.0 / 15603.0, 2601, 5461, 32767 * 32767, 1560, 3277, 12482, 26212 },
    };
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const EyeGeometry g = DeriveEyeGeometry(c.width, c.height);
        EXPECT_EQ(g.eyeWidth, c.eyeWidth);
        EXPECT_EQ(g.rightEyeLeft, c.rightEyeLeft);
        EXPECT_DOUBLE_EQ(g.pupilTravel, c.pupilTravel);
        EXPECT_DOUBLE_EQ(g.eyeAspect, c.eyeAspect);
        EXPECT_EQ(g.pupilWidth, c.pupilWidth);
        EXPECT_EQ(g.pupilHeight, c.pupilHeight);
        EXPECT_EQ(g.pixelCount, c.pixelCount);
        const OutlineRing r = DeriveOutlineRing(g, c.height);
        EXPECT_EQ(r.rimWidth, c.rimWidth);
        EXPECT_EQ(r.rimHeight, c.rimHeight);
        EXPECT_EQ(r.innerWidth, c.innerWidth);
        EXPECT_EQ(r.innerHeight, c.innerHeight);
    }
}

TEST(DeriveEyeGeometry, TravelAndAspectAreDoubleArithmetic)
{
    // The product with the double nearest to 5/18, not 5 * 150 / 18; and a
    // quotient that 80-bit arithmetic would round differently.
    EXPECT_EQ(DeriveEyeGeometry(315, 200).pupilTravel, 150 * 0.2777777777777778);
    EXPECT_EQ(DeriveEyeGeometry(4307, 16045).eyeAspect, 0x1.f4ac3f6838eabp+2);
}

struct PupilCase {
    int32_t width, height, x, y, cursorX, cursorY;
    int32_t leftX, leftY, rightX, rightY;
};

// The worked examples, and cases where 80-bit intermediate results would
// land a pupil one pixel off: the rules are IEEE double arithmetic.
const PupilCase kPupilCases[] = {
    {315, 200, 0, 0, 75, 100, 63, 84, 187, 84},
    {315, 200, 0, 0, 240, 100, 105, 84, 228, 84},
    {315, 200, 0, 0, 90, 110, 78, 94, 187, 87},
    {315, 200, 0, 0, 75, 0, 63, 29, 191, 62},
    {315, 200, 0, 0, 1000, 1000, 97, 117, 259, 121},
    {84, 40, 0, 0, 20, 20, 17, 17, 51, 17},
    {84, 40, 0, 0, 64, 20, 28, 17, 61, 17},
    {84, 40, 0, 0, 20, -300, 17, 7, 60, 7},
    {315, 200, 100, 50, 175, 150, 63, 84, 187, 84},   // moving the window moves both centres
    {315, 200, -500, -20, -425, 80, 63, 84, 187, 84},
    {315, 200, 0, 0, 75, -5000, 63, 29, 227, 29},     // straight up: -55 ...
    {315, 200, 0, 0, 75, 5000, 63, 140, 227, 139},    // ... and straight down: +56
    {95, 60, 0, 0, -177, 30, 7, 25, 56, 25},
    {84, 51, 0, 0, 0, -128, 16, 8, 57, 9},
};

TEST(PlacePupils, GivesTheWorkedRectangles)
{
    for (const PupilCase& c : kPupilCases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " at (" << c.x << ", " << c.y
                                        << "), cursor (" << c.cursorX << ", " << c.cursorY << ")");
        const EyeGeometry g = DeriveEyeGeometry(c.width, c.height);
        PupilRect p[2];
        PlacePupils(g, c.x, c.y, c.height, c.cursorX, c.cursorY, p);
        EXPECT_EQ(p[0].left, c.leftX);
        EXPECT_EQ(p[0].top, c.leftY);
        EXPECT_EQ(p[1].left, c.rightX);
        EXPECT_EQ(p[1].top, c.rightY);
        for (const PupilRect& r : p) {
            EXPECT_EQ(r.ellipseWidth, g.pupilWidth - 1);
            EXPECT_EQ(r.ellipseHeight, g.pupilHeight - 1);
        }
    }
}

TEST(PlacePupils, DistanceExactlyAtTheLimitIsNotClamped)
{
    // A travel of 5 and an aspect of 1, made by hand: the cursor 3 across
    // and 4 down from the left eye's centre is exactly 5 away, and the
    // pupil's centre goes right there.
    EyeGeometry g{40, 44, 5.0, 1.0, 7, 7, 84 * 40};
    PupilRect p[2];
    PlacePupils(g, 0, 0, 40, 20 + 3, 20 + 4, p);
    EXPECT_EQ(p[0].left, 3 - 3 + 20);
    EXPECT_EQ(p[0].top, 4 - 3 + 20);
    // One pixel further is clamped back onto the circle of radius 5.
    PlacePupils(g, 0, 0, 40, 20 + 3, 20 + 5, p);
    EXPECT_EQ(p[0].left, 3 - 3 + 20);   // 2.57 rounds to 3
    EXPECT_EQ(p[0].top, 4 - 3 + 20);    // 4.29 rounds to 4
    PlacePupils(g, 0, 0, 40, 20 + 6, 20 + 8, p);
    EXPECT_EQ(p[0].left, 3 - 3 + 20);
    EXPECT_EQ(p[0].top, 4 - 3 + 20);
}

TEST(PlacePupils, LeftAndUpwardOffsetsComeOutOnePixelSmaller)
{
    const EyeGeometry g = DeriveEyeGeometry(315, 200);
    const int32_t cx = 75, cy = 100;
    PupilRect p[2];
    struct Case {
        int32_t dx, dy, ox, oy;
    } cases[] = {
        { 3, 0, 3, 0 }, { -3, 0, -2, 0 }, { 0, 4, 0, 4 }, { 0, -4, 0, -3 }, { 0, 0, 0, 0 },
    };
    for (const Case& c : cases) {
        PlacePupils(g, 0, 0, 200, cx + c.dx, cy + c.dy, p);
        EXPECT_EQ(p[0].left - 63, c.ox) << c.dx << "," << c.dy;
        EXPECT_EQ(p[0].top - 84, c.oy) << c.dx << "," << c.dy;
    }
}

TEST(PlacePupils, ExtremePositionsDoNotOverflow)
{
    const EyeGeometry g = DeriveEyeGeometry(315, 200);
    PupilRect p[2];
    PlacePupils(g, INT32_MIN, INT32_MAX, 200, INT32_MAX, INT32_MIN, p);
    for (const PupilRect& r : p) {
        EXPECT_GE(r.left, 0);
        EXPECT_LT(r.left + r.ellipseWidth, 315);
    }
}

// Whether the pixel centre (px, py) lies inside the ellipse inscribed in
// (x, y, w, h), as the renderer fills it.
bool InsideEllipse(double px, double py, double x, double y, double w, double h)
{
    const double cx = x + w / 2, cy = y + h / 2;
    const double nx = (px - cx) / (w / 2), ny = (py - cy) / (h / 2);
    return nx * nx + ny * ny <= 1.0;
}

// A pupil pushed to its limit in any direction still lies inside the white
// of the eye, at every size from the smallest up.
TEST(PlacePupils, PupilAtItsLimitStaysInsideTheWhite)
{
    const int32_t sizes[][2] = { { 84, 40 }, { 85, 40 }, { 84, 41 }, { 100, 40 }, { 84, 100 }, { 120, 45 },
                                 { 315, 200 }, { 400, 120 }, { 200, 600 }, { 1000, 90 }, { 1920, 1080 } };
    for (const auto& size : sizes) {
        const int32_t w = size[0], h = size[1];
        const EyeGeometry g = DeriveEyeGeometry(w, h);
        const OutlineRing ring = DeriveOutlineRing(g, h);
        for (int step = 0; step < 72; ++step) {
            const double angle = step * 3.14159265358979323846 / 36;
            const int32_t cursorX = int32_t(std::lround((g.eyeWidth >> 1) + 100000 * std::cos(angle)));
            const int32_t cursorY = int32_t(std::lround((h >> 1) + 100000 * std::sin(angle)));
            PupilRect p[2];
            PlacePupils(g, 0, 0, h, cursorX, cursorY, p);
            for (int eye = 0; eye < 2; ++eye) {
                const double wx = ring.rimWidth + (eye ? g.rightEyeLeft : 0);
                const PupilRect& r = p[eye];
                // Corners of the pupil's bounding box on its axes: the
                // extreme points of the inscribed ellipse.
                const double left = r.left, top = r.top, w2 = r.ellipseWidth, h2 = r.ellipseHeight;
                const double points[4][2] = {
                    { left, top + h2 / 2 },
                    { left + w2, top + h2 / 2 },
                    { left + w2 / 2, top },
                    { left + w2 / 2, top + h2 },
                };
                for (const auto& pt : points)
                    ASSERT_TRUE(InsideEllipse(pt[0], pt[1], wx, ring.rimHeight, ring.innerWidth, ring.innerHeight))
                        << w << " x " << h << ", eye " << eye << ", angle step " << step;
            }
        }
    }
}

} // namespace

TEST(PupilPaintArea, CoversThePupilWithTwoPixelsAroundClippedToTheWindow)
{
    struct Case {
        PupilRect pupil;
        int32_t width, height;
        PixelArea area;
    } cases[] = {
        {{63, 84, 24, 32}, 315, 200, {61, 82, 90, 119}},
        {{0, 1, 6, 6}, 84, 40, {0, 0, 9, 10}},
        {{78, 35, 6, 6}, 84, 40, {76, 33, 84, 40}},
    };
    for (const Case& c : cases) {
        const PixelArea a = PupilPaintArea(c.pupil, c.width, c.height);
        EXPECT_EQ(a.left, c.area.left);
        EXPECT_EQ(a.top, c.area.top);
        EXPECT_EQ(a.right, c.area.right);
        EXPECT_EQ(a.bottom, c.area.bottom);
    }
    const PixelArea both = UniteAreas({61, 82, 90, 119}, {10, 100, 20, 130});
    EXPECT_EQ(both.left, 10);
    EXPECT_EQ(both.top, 82);
    EXPECT_EQ(both.right, 90);
    EXPECT_EQ(both.bottom, 130);
}
