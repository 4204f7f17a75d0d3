#pragma once
#include <windows.h>

#include "app/app_state.h"

void LoadCompositor();
void FreeCompositor();
bool ReadCoverScene(CoverScene& scene);
bool FindCovers(const CoverScene& scene, CoverList& list);
bool CoversUnchanged(const CoverList& list);
