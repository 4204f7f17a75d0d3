#include "settings_ui/drag_window.h"
