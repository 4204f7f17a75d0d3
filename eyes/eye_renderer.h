#pragma once
#include <windows.h>

#include <cstdint>

#include "eyes/eye_geometry.h"

// One frame of the eyes: what RenderEyes decides before it draws.
struct FramePlan {
    PupilRect pupils[2];
    POINT position;        // the eye window's place in DesktopHost's client coordinates
    bool full;             // the whole background is copied and the whole window shown
    PixelArea restored[2]; // otherwise, per eye: where the old pupil was and the new one goes
    PixelArea dirty;       // the block of the window handed over
};

bool CreateEyeSurfaces();
void BuildEyeBackground();
bool RenderEyes(POINT cursor);
POINT EyePositionInHost();
bool RebuildEyeSurfaces(uint32_t changes, HWND owner);
void DestroyEyeSurfaces();

// The steps of RenderEyes, for measuring each on its own.
bool PlanFrame(POINT cursor, FramePlan& plan);
void RestoreBackground(const FramePlan& plan);
void FillPupils(const FramePlan& plan);
bool ShowFrame(const FramePlan& plan);
