#include "eyes/cursor_hook.h"
