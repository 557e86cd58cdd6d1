#include "session/core_session.h"
