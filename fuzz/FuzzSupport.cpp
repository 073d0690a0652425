#include "FuzzSupport.h"

#include <memory>

#include "platform/imaging/CodecFactory.h"

namespace {
volatile std::uint64_t g_sink = 0;
}

void FuzzSink(std::uint64_t value) { g_sink = g_sink + value; }

const CodecFactory* FuzzCodecs() {
    static const std::unique_ptr<CodecFactory> codecs = CodecFactory::Create();
    return codecs.get();
}
