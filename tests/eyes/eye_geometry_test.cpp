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

TEST(DeriveEyeGeometry, TravelIsTheDoubleProductNotTheExactFraction)
{
    // 5 * 150 / 18 = 41.666..., but the product with the nearest double to
    // 5/18 is what the pupils are placed with, bit for bit.
    EXPECT_EQ(DeriveEyeGeometry(315, 200).pupilTravel, 150 * 0.2777777777777778);
}

struct PupilCase {
    int32_t width, height, x, y, cursorX, cursorY;
    int32_t leftX, leftY, rightX, rightY;
};

class PlacePupilsTest : public testing::TestWithParam<PupilCase> {};

TEST_P(PlacePupilsTest, GivesTheWorkedRectangles)
{
    const PupilCase& c = GetParam();
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

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, PlacePupilsTest,
    testing::Values(
        // Default size at the origin.
        PupilCase{ 315, 200, 0, 0, 75, 100, 63, 84, 187, 84 },
        PupilCase{ 315, 200, 0, 0, 240, 100, 105, 84, 228, 84 },
        PupilCase{ 315, 200, 0, 0, 90, 110, 78, 94, 187, 87 },
        PupilCase{ 315, 200, 0, 0, 75, 0, 63, 29, 191, 62 },
        PupilCase{ 315, 200, 0, 0, 1000, 1000, 97, 117, 259, 121 },
        // The smallest size.
        PupilCase{ 84, 40, 0, 0, 20, 20, 17, 17, 51, 17 },
        PupilCase{ 84, 40, 0, 0, 64, 20, 28, 17, 61, 17 },
        PupilCase{ 84, 40, 0, 0, 20, -300, 17, 7, 60, 7 },
        // Moving the window moves both centres by the same amount.
        PupilCase{ 315, 200, 100, 50, 175, 150, 63, 84, 187, 84 },
        PupilCase{ 315, 200, -500, -20, -425, 80, 63, 84, 187, 84 },
        // Straight above and below the left eye: -55 upwards, +56 downwards.
        PupilCase{ 315, 200, 0, 0, 75, -5000, 63, 29, 227, 29 },
        PupilCase{ 315, 200, 0, 0, 75, 5000, 63, 140, 227, 139 }),
    [](const testing::TestParamInfo<PupilCase>& info) {
        const PupilCase& c = info.param;
        std::string name = std::to_string(c.width) + "x" + std::to_string(c.height) + "_at_" + std::to_string(c.x) + "_" +
                           std::to_string(c.y) + "_cursor_" + std::to_string(c.cursorX) + "_" + std::to_string(c.cursorY);
        for (char& ch : name)
            if (ch == '-')
                ch = 'm';
        return name;
    });

TEST(PlacePupils, DistanceExactlyAtTheLimitIsNotClamped)
{
    // At 84 x 40 the aspect is 1, so a vertical offset of exactly 11 is
    // within a travel of 11.11 and passes unchanged; the same is true of the
    // horizontal offset of 11 used against the left eye.
    const EyeGeometry g = DeriveEyeGeometry(84, 40);
    PupilRect p[2];
    PlacePupils(g, 0, 0, 40, 20 + 11, 20, p);
    EXPECT_EQ(p[0].left, 17 + 11);
    PlacePupils(g, 0, 0, 40, 20, 20 - 11, p);
    EXPECT_EQ(p[0].top, 17 - 10);  // -11 + 0.5 truncates to -10
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
