#include "tools/tool_handlers.h"

void InstallToolHandlers(TForm1 &)
{
}
