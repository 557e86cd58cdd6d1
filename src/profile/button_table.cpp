#include "profile/button_table.h"
