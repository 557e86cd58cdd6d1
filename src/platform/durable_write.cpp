#include "platform/durable_write.h"

#include <unistd.h>

bool SyncToDisk(int fd)
{
    return ::fsync(fd) == 0;
}
