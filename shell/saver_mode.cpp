#include "shell/saver_mode.h"

SaverMode gMode;
