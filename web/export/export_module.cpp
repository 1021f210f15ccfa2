// scene-export's glTF writing in the web page, as a second module that the page loads only
// when "Download glTF" is pressed: the page hands over its address's parameters, and this
// builds the viewer's scene anew, plays the same history (keys, steps and edits) and writes the
// model on screen as scene-export writes it: a .glb with the animation of the steps that follow,
// one swing of a limb.
#include <emscripten.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/edit_script.h"
#include "app/model_document.h"
#include "app/script_player.h"
#include "scene-export/export_driver.h"

namespace {

// One swing of a limb, there and back: 2 pi over the swing's phase step of 0.0174528 a step.
constexpr int animatedSteps = 360;

std::vector<std::pair<std::string, std::string>> parameters;
std::string bytes;
std::string error;

// How far the writing is: the script's keys, steps and edits, then the animation's steps. The
// module's owner hears of it through Module.onProgress, when it gave one.
// clang-format off
EM_JS(void, reportProgress, (double done, double total), {
    if (Module.onProgress) Module.onProgress(done, total);
});
// clang-format on

// The page has shown the script's lines already; here they are not said again.
void applyQuietly(const Edit& edit) {
    document.apply(edit);
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
    std::optional<std::vector<Edit>> script;
    if (std::optional<std::string> problem = readScript(parameters, script); problem && !script) {
        error = std::move(*problem);
        return -1;
    }
    scene_export::ExportOptions options;
    options.format = gltf::GltfFormat::binary;
    options.animate = animatedSteps;
    options.yourModel = true;
    std::vector<std::string> notes;
    const double total =
        static_cast<double>((script ? scriptLength(*script) : 0) + animatedSteps);
    double done = 0;
    const auto counted = [&done, total] { reportProgress(++done, total); };
    const auto reachState = [&script, &counted] {
        if (script) {
            ScriptPlayer player(std::move(*script), ScriptActions{applyQuietly, {}, {}, counted, {}});
            player.play([] { return true; });
        }
    };
    if (std::optional<std::string> problem =
            scene_export::exportScene(options, reachState, bytes, notes, counted)) {
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
