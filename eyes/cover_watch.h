#pragma once

bool StartCoverWatch();
void StopCoverWatch();
