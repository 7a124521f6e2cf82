#pragma once

// Extension point of the frame fuzz target: code that decodes received frames
// registers a consumer, which then sees every frame the fuzzer assembles
// (valid and with a wrong checksum). A file fuzz/frames_<name>.cpp is built
// into the target by itself:
//
//   static const bool registered = RegisterFrameConsumer("answers", [](const TProtok &m, bool valid) {...});

#include "bus/Protok.h"

using TFrameConsumer = void (*)(const TProtok &Msg, bool Valid);

bool RegisterFrameConsumer(const char *name, TFrameConsumer consumer);
