// Writes the address as the state changes, so that opening it again gives the same picture.
#include "address_publishing.h"

#include <emscripten.h>

namespace explorer {
namespace {

constexpr double publishInterval = 300.0;

// clang-format off
EM_JS(void, showAddress, (const char* query), {
    const address = window.location.pathname + UTF8ToString(query) + window.location.hash;
    try {
        window.history.replaceState(null, "", address);
    } catch (error) {
        console.error("the address cannot follow the state: " + error.message);
    }
});
// clang-format on

}  // namespace

void AddressPublisher::publish(const ScriptRecorder& recorder) {
    if (recorder.shownVersion() == publishedVersion_) {
        return;
    }
    const double time = emscripten_get_now();
    if (!changedByUser_ && time - lastPublished_ < publishInterval) {
        return;
    }
    publishedVersion_ = recorder.shownVersion();
    lastPublished_ = time;
    changedByUser_ = false;
    showAddress(recorder.shownQuery().c_str());
}

void AddressPublisher::alreadyShown(const ScriptRecorder& recorder) {
    publishedVersion_ = recorder.shownVersion();
}

}  // namespace explorer
