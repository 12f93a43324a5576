#include "platform/Process.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace platform {

long CurrentProcessId() {
#ifdef _WIN32
    return static_cast<long>(::_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

} // namespace platform
