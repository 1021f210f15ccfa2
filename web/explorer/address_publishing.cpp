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

void AddressPublisher::publish(const ShownHistory& shown, const std::vector<Edit>& history) {
    if (shown.version() == publishedVersion_) {
        return;
    }
    const double time = emscripten_get_now();
    if (!changedByUser_ && time - lastPublished_ < publishInterval) {
        return;
    }
    publishedVersion_ = shown.version();
    lastPublished_ = time;
    changedByUser_ = false;
    showAddress(shown.query(history).c_str());
}

void AddressPublisher::alreadyShown(const ShownHistory& shown) {
    publishedVersion_ = shown.version();
}

}  // namespace explorer
