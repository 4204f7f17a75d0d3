#pragma once
// The eye measures and a pupil's rectangle, as the program-wide record keeps
// them; eyes/eye_geometry.cpp computes them. Nothing here calls the
// platform.
#include <cstdint>

// The measures of both eyes, derived from the window's width and height.
struct EyeGeometry {
    int32_t eyeWidth;      // width of each eye's box; each eye is as high as the window
    int32_t rightEyeLeft;  // left edge of the right eye's box
    double pupilTravel;    // farthest horizontal distance of a pupil's centre from its eye's centre
    double eyeAspect;      // height / eyeWidth of one eye
    int32_t pupilWidth;    // pupil box width, plus one
    int32_t pupilHeight;   // pupil box height, plus one
    int32_t pixelCount;    // width * height of the eye window
};

// One pupil: the ellipse inscribed in (left, top, ellipseWidth, ellipseHeight),
// in eye-window coordinates.
struct PupilRect {
    int32_t left;
    int32_t top;
    int32_t ellipseWidth;
    int32_t ellipseHeight;
};
