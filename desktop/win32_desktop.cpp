#include "desktop/win32_desktop.h"
