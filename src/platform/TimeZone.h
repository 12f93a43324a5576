#pragma once
// How far the system's local time is east of UTC, in minutes, now (with
// daylight saving time when it is in force): the service report gives its
// date and time with this offset, so a record read in another zone is clear.
namespace platform {

int UtcOffsetMinutes();

}  // namespace platform
