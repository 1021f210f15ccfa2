// Reads the page's address into the C++ side, where the viewer's script is made from it.
#include "address_reading.h"

#include <emscripten.h>

namespace explorer {
namespace {

// clang-format off
// The browser decodes the address's parameters once; they are then read one part at a time:
// the name or value of one written into the buffer when it fits, the length in bytes either
// way.
EM_JS(int, decodeAddress, (), {
    Module.addressPairs = Array.from(new URLSearchParams(window.location.search));
    return Module.addressPairs.length;
});
EM_JS(int, readAddressPart, (int index, int part, char* buffer, int capacity), {
    const text = Module.addressPairs[index][part];
    const length = lengthBytesUTF8(text);
    if (length < capacity)
        stringToUTF8(text, buffer, capacity);
    return length;
});
EM_JS(void, forgetAddress, (), {
    delete Module.addressPairs;
});
// clang-format on

std::string addressPart(int index, int part) {
    std::string text(64, '\0');
    int length = readAddressPart(index, part, text.data(), static_cast<int>(text.size()));
    if (length >= static_cast<int>(text.size())) {
        text.resize(static_cast<std::size_t>(length) + 1);
        length = readAddressPart(index, part, text.data(), static_cast<int>(text.size()));
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> addressParameters() {
    std::vector<std::pair<std::string, std::string>> parameters;
    const int count = decodeAddress();
    parameters.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        parameters.emplace_back(addressPart(i, 0), addressPart(i, 1));
    }
    forgetAddress();
    return parameters;
}

}  // namespace explorer
