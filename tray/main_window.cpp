#include "tray/main_window.h"
