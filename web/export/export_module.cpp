// scene-export's glTF writing in the web page, as a second module that the page loads only
// when "Download glTF" is pressed: the page hands over its address's parameters, and this
// builds the viewer's scene anew, plays the same keys and steps and writes the model on screen
// as scene-export writes it (.glb, no animation).
#include <emscripten.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "address_script.h"
#include "app/frame_loop.h"
#include "app/key_script.h"
#include "app/keyboard.h"
#include "scene-export/export_driver.h"
#include "script_player.h"

namespace {

std::vector<std::pair<std::string, std::string>> parameters;
std::string bytes;
std::string error;

void type(unsigned char key) {
    onKeyboard(key, 0, 0);
}

void nothing() {}

bool always() {
    return true;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void export_start() {
    parameters.clear();
}

// One of the address's parameters, in order; the value may hold any byte.
EMSCRIPTEN_KEEPALIVE void export_parameter(const char* name, const char* value, int length) {
    parameters.emplace_back(name, std::string(value, static_cast<std::size_t>(length)));
}

// Writes the file; returns its length, or -1 with the reason in export_error().
EMSCRIPTEN_KEEPALIVE int export_glb() {
    bytes.clear();
    error.clear();
    std::optional<explorer::AddressScript> script;
    if (std::optional<std::string> problem = explorer::readAddressScript(parameters, script)) {
        error = std::move(*problem);
        return -1;
    }
    scene_export::ExportOptions options;
    options.format = gltf::GltfFormat::binary;
    std::vector<std::string> notes;
    const auto reachState = [&script] {
        if (script) {
            explorer::ScriptPlayer player(std::move(*script),
                                          explorer::ScriptActions{type, onIdle, stepOnce, nothing});
            player.play(always);
        }
    };
    if (std::optional<std::string> problem =
            scene_export::exportScene(options, reachState, bytes, notes)) {
        error = std::move(*problem);
        return -1;
    }
    return static_cast<int>(bytes.size());
}

EMSCRIPTEN_KEEPALIVE const char* export_bytes() {
    return bytes.data();
}

EMSCRIPTEN_KEEPALIVE const char* export_error() {
    return error.c_str();
}

}  // extern "C"
