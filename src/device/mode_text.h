#pragma once

#include <string_view>

#include "device/serial_backend.h"

namespace qv::device {

// Applies a mode text to a serial configuration, the way the platform's mode syntax reads it:
// "baud=115200 parity=N data=8 stop=1" (keys in any order and case; to, xon, odsr, octs, dtr,
// rts and idsr are accepted and have no effect here), or the short form "9600,n,8,1".
// Keys not given keep their value. False, with the record unchanged, when the text is not
// valid mode syntax.
bool applyModeText(std::string_view modeText, SerialSettings& settings);

}  // namespace qv::device
