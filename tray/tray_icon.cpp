#include "tray/tray_icon.h"
