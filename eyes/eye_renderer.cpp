#include "eyes/eye_renderer.h"
