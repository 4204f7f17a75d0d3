#pragma once
#include <cstddef>

#include "app/screen_rect.h"

size_t ReadMonitorList(MonitorSpaces* monitors);
void ReadMonitors();
