#pragma once

#include "platform/imaging/CodecFactory.h"

// The second imaging component, created once for the whole test program.
inline CodecFactory* SharedCodecs() {
    static const std::unique_ptr<CodecFactory> codecs = CodecFactory::Create();
    return codecs.get();
}
