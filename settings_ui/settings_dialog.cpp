#include "settings_ui/settings_dialog.h"
