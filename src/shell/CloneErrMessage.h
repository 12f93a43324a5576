#pragma once
// The text of the report a failed radio operation gives the user: the
// failure named in the first line, then what to check. Chosen from the error
// state of the port host, the frame driver and the sequencer, in that order
// of precedence. Lines are joined by CR LF, with none after the last.
#include <cstdint>
#include <string>

struct CloneErrState {
    bool errCannotOpen = false;   // the port could not be opened
    std::int16_t comPortNum = 1;  // the port that was to be opened
    bool errOverflow = false;     // the receive buffer overflowed
    std::int16_t lastError = 0;   // the frame driver's last error, 0 for none
    std::int16_t seqError = 0;    // the sequencer's own error
};

std::string CloneErrMessage(const CloneErrState& s);
