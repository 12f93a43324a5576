#pragma once
// The running process's number as the system gives it: no two processes that
// run at the same time share it, so it makes names of scratch files unique.
namespace platform {
long CurrentProcessId();
} // namespace platform
