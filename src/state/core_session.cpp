#include "state/core_session.h"
