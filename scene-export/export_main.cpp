// scene-export: the viewer's model on screen, after a script of key presses and a number of
// animation steps, written as glTF 2.0 with its node hierarchy and, if asked, its animation.
#include <optional>
#include <string>
#include <vector>

#include "app/script_player.h"
#include "libraries/command_line/program_main.h"
#include "libraries/progress/progress_line.h"
#include "scene-export/export_driver.h"
#include "scene-export/export_options.h"

namespace {

constexpr const char* program = "scene-export";

// Exports the model on screen after the script, and writes it to `output`.
std::optional<std::string> exportFile(const scene_export::ExportOptions& options,
                                      files::PendingFile& output) {
    std::vector<std::string> notes;
    std::string bytes;
    std::vector<Edit> script = programScript(options.state, options.keys, options.frames);
    // The script's keys, steps and edits and the animation's steps, one line for them all.
    progress::ProgressLine progress(
        program, scriptLength(script) + static_cast<std::uint64_t>(options.animate));
    const std::optional<std::string> problem = scene_export::exportScene(
        options,
        [&] { playScript(std::move(script), {}, {}, [&progress] { progress.advance(); }); }, bytes,
        notes, [&progress] { progress.advance(); });
    for (const std::string& note : notes) {
        command_line::tell(program, note);
    }
    if (problem) {
        return output.cannotWrite(*problem);
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return output.commit({data, bytes.size()});
}

}  // namespace

int main(int argc, char** argv) {
    return command_line::runProgram(
        program, scene_export::helpText(),
        scene_export::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc)),
        exportFile);
}
