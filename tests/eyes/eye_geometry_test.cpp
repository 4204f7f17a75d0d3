#include <gtest/gtest.h>

#include <cmath>

#include "eyes/eye_geometry.h"

// Window width and height; eye width, right eye's left edge, pupil travel,
// eye aspect, pupil width and height, pixel count; then the outline ring's
// rim width and height and inner width and height. 95 x 51 puts the pupil and
// rim sizes on the edge of their rounding. The doubles are compared bit for
// bit: travel is the product with the double nearest to 5/18
// (41.66666666666667 for 315 x 200, where 5 * 150 / 18 gives
// 41.666666666666664), and the 4307 x 16045 aspect is a quotient that 80-bit
// arithmetic would round differently.
TEST(DeriveEyeGeometry, MatchesTheWorkedTable)
{
    const double cases[][13] = {
        { 84, 40, 40, 44, 11.11111111111111, 1.0, 7, 7, 3360, 4, 4, 31, 31 },
        { 85, 40, 40, 45, 11.11111111111111, 1.0, 7, 7, 3400, 4, 4, 31, 31 },
        { 95, 51, 45, 50, 12.5, 1.1333333333333333, 8, 9, 4845, 5, 5, 34, 40 },
        { 315, 200, 150, 165, 41.66666666666667, 1.3333333333333333, 25, 33, 63000, 15, 20, 119, 159 },
        { 400, 120, 190, 210, 52.77777777777778, 0.631578947368421, 32, 20, 48000, 19, 12, 151, 95 },
        { 4307, 16045, 2051, 2256, 569.7222222222223, 0x1.f4ac3f6838eabp+2, 342, 2674, 69105815, 205, 1605, 1640, 12834 },
        { 32767, 32767, 15603, 17164, 4334.166666666667, 2.1000448631673394, 2601, 5461, 1073676289, 1560, 3277, 12482, 26212 },
    };
    for (const auto& c : cases) {
        const EyeGeometry g = DeriveEyeGeometry(int32_t(c[0]), int32_t(c[1]));
        const OutlineRing r = DeriveOutlineRing(g, int32_t(c[1]));
        const std::vector<double> got = { double(g.eyeWidth), double(g.rightEyeLeft), g.pupilTravel, g.eyeAspect,
                                          double(g.pupilWidth), double(g.pupilHeight), double(g.pixelCount),
                                          double(r.rimWidth), double(r.rimHeight), double(r.innerWidth), double(r.innerHeight) };
        EXPECT_EQ(got, std::vector<double>(c + 2, c + 13)) << c[0] << " x " << c[1];
    }
}

// Window size and place, cursor, then the left and right pupils' left and top
// edges. Besides the worked examples, several rows would land a pupil one
// pixel off with 80-bit intermediate results.
const int32_t kPupilCases[][10] = {
    { 315, 200, 0, 0, 75, 100, 63, 84, 187, 84 },      { 315, 200, 0, 0, 240, 100, 105, 84, 228, 84 },
    { 315, 200, 0, 0, 90, 110, 78, 94, 187, 87 },      { 315, 200, 0, 0, 75, 0, 63, 29, 191, 62 },
    { 315, 200, 0, 0, 1000, 1000, 97, 117, 259, 121 }, { 84, 40, 0, 0, 20, 20, 17, 17, 51, 17 },
    { 84, 40, 0, 0, 64, 20, 28, 17, 61, 17 },          { 84, 40, 0, 0, 20, -300, 17, 7, 60, 7 },
    // Moving the window moves both centres with it.
    { 315, 200, 100, 50, 175, 150, 63, 84, 187, 84 },  { 315, 200, -500, -20, -425, 80, 63, 84, 187, 84 },
    // Offsets are truncated after adding a half, so leftward and upward ones
    // come out a pixel smaller: -3 and -4 give -2 and -3, +3 and +4 stay;
    // fully up is -55 and fully down +56, fully left -41 and fully right +42.
    { 315, 200, 0, 0, 78, 104, 66, 88, 187, 85 },      { 315, 200, 0, 0, 72, 96, 61, 81, 187, 84 },
    { 315, 200, 0, 0, 75, -5000, 63, 29, 227, 29 },    { 315, 200, 0, 0, 75, 5000, 63, 140, 227, 139 },
    { 95, 60, 0, 0, -177, 30, 7, 25, 56, 25 },         { 84, 51, 0, 0, 0, -128, 16, 8, 57, 9 },
    // Just past the travel, where clamping first applies: 44 across is 1.06
    // times it and comes back to 42, 58 down 1.04 times and comes back to 56.
    { 315, 200, 0, 0, 119, 100, 105, 84, 187, 84 },    { 315, 200, 0, 0, 75, 158, 63, 140, 189, 98 },
    // Just inside it, where nothing is clamped yet: 40 across is 0.96 times
    // it, 53 down 0.95 times.
    { 315, 200, 0, 0, 115, 100, 103, 84, 187, 84 },    { 315, 200, 0, 0, 75, 153, 63, 137, 188, 97 },
};

TEST(PlacePupils, GivesTheWorkedRectangles)
{
    for (const auto& c : kPupilCases) {
        const EyeGeometry g = DeriveEyeGeometry(c[0], c[1]);
        PupilRect p[2];
        PlacePupils(g, c[2], c[3], c[1], c[4], c[5], p);
        EXPECT_EQ(std::vector<int32_t>({ p[0].left, p[0].top, p[1].left, p[1].top }), std::vector<int32_t>(c + 6, c + 10))
            << c[0] << " x " << c[1] << " at (" << c[2] << ", " << c[3] << "), cursor (" << c[4] << ", " << c[5] << ")";
        for (const PupilRect& r : p)
            EXPECT_TRUE(r.ellipseWidth == g.pupilWidth - 1 && r.ellipseHeight == g.pupilHeight - 1);
    }
}

TEST(PlacePupils, DistanceExactlyAtTheLimitIsNotClamped)
{
    // A hand-made travel of 5 and aspect of 1. The cursor 3 across and 4 down
    // from the left eye's centre (20, 20) is exactly 5 away and the pupil's
    // centre goes right there; farther ones that way are clamped back onto it
    // (2.57 and 4.29 round to 3 and 4). A cursor on the centre is not clamped
    // even against a travel of 0, where clamping would divide 0 by 0.
    const double cases[][5] = { { 5, 23, 24, 20, 21 }, { 5, 23, 25, 20, 21 }, { 5, 26, 28, 20, 21 }, { 0, 20, 20, 17, 17 },
                                // 12 and 18 against a travel of 20: 1.08 times it, clamped to (11.09, 16.64).
                                { 20, 32, 38, 28, 34 } };
    for (const auto& c : cases) {
        PupilRect p[2];
        PlacePupils(EyeGeometry{ 40, 44, c[0], 1.0, 7, 7, 84 * 40 }, 0, 0, 40, int32_t(c[1]), int32_t(c[2]), p);
        EXPECT_TRUE(p[0].left == c[3] && p[0].top == c[4]) << "travel " << c[0] << ", cursor (" << c[1] << ", " << c[2] << ")";
    }
}

// A pupil pushed to its limit in any direction keeps the ends of its axes
// inside the white of the eye, the ellipse within the outline ring, at every
// size from the smallest up.
TEST(PlacePupils, PupilAtItsLimitStaysInsideTheWhite)
{
    const int32_t sizes[][2] = { { 84, 40 }, { 85, 40 }, { 84, 41 }, { 100, 40 }, { 84, 100 }, { 120, 45 },
                                 { 315, 200 }, { 400, 120 }, { 200, 600 }, { 1000, 90 }, { 1920, 1080 } };
    for (const auto& size : sizes) {
        const EyeGeometry g = DeriveEyeGeometry(size[0], size[1]);
        const OutlineRing ring = DeriveOutlineRing(g, size[1]);
        for (int step = 0; step < 72; ++step) {
            const double angle = step * 3.14159265358979323846 / 36;
            PupilRect p[2];
            PlacePupils(g, 0, 0, size[1], int32_t(std::lround(g.eyeWidth / 2 + 100000 * std::cos(angle))),
                        int32_t(std::lround(size[1] / 2 + 100000 * std::sin(angle))), p);
            for (int eye = 0; eye < 2; ++eye) {
                auto inside = [&](double px, double py) {
                    const double nx = (px - ring.rimWidth - (eye ? g.rightEyeLeft : 0)) / ring.innerWidth * 2 - 1;
                    const double ny = (py - ring.rimHeight) / ring.innerHeight * 2 - 1;
                    return nx * nx + ny * ny <= 1.0;
                };
                const PupilRect& r = p[eye];
                const double midX = r.left + r.ellipseWidth / 2.0, midY = r.top + r.ellipseHeight / 2.0;
                ASSERT_TRUE(inside(r.left, midY) && inside(r.left + r.ellipseWidth, midY) && inside(midX, r.top) &&
                            inside(midX, r.top + r.ellipseHeight))
                    << size[0] << " x " << size[1] << ", eye " << eye << ", angle step " << step;
            }
        }
    }
}
