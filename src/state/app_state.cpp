#include "state/app_state.h"
