#include "tray/work_window.h"
