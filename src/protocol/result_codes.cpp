#include "protocol/result_codes.h"
