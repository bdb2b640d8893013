#include "script/runner.h"
