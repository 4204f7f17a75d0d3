#include "settings_ui/position_size_dialog.h"
