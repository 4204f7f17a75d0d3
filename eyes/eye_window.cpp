#include "eyes/eye_window.h"
