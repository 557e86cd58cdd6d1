#include "platform/line_state.h"

#include <poll.h>

bool LineHungUp(qintptr fd)
{
    if (fd < 0)
        return true;
    pollfd p{static_cast<int>(fd), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}
