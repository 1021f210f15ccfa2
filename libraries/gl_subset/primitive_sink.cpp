#include "libraries/gl_subset/primitive_sink.h"

namespace gl_subset {
namespace {

PrimitiveSink* sink = nullptr;

}  // namespace

void setSink(PrimitiveSink* newSink) {
    sink = newSink;
}

PrimitiveSink* currentSink() {
    return sink;
}

}  // namespace gl_subset
