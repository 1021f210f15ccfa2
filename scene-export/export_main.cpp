// scene-export: the viewer's model on screen, after a script of key presses and a number of
// animation steps, written as glTF 2.0 with its node hierarchy and, if asked, its animation.
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "libraries/files/pending_file.h"
#include "libraries/progress/counted_script.h"
#include "scene-export/export_driver.h"
#include "scene-export/export_options.h"

namespace {

constexpr int usageError = 2;
constexpr int runError = 1;

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "scene-export: %s\n", message.c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const scene_export::ParsedCommandLine parsed = scene_export::parseCommandLine(args);
    if (parsed.helpRequested) {
        std::fputs(scene_export::helpText().c_str(), stdout);
        return 0;
    }
    if (!parsed.options) {
        return fail(usageError, *parsed.problem + " (see scene-export --help)");
    }
    const scene_export::ExportOptions& options = *parsed.options;

    std::string error;
    std::optional<PendingFile> output = PendingFile::prepare(options.output, error);
    if (!output) {
        return fail(runError, error);
    }
    try {
        std::vector<std::string> notes;
        ProgressLine progress("scene-export",
                              options.keys.size() + static_cast<std::uint64_t>(options.frames));
        const std::optional<std::string> bytes = scene_export::exportScene(
            options,
            [&] { runCountedScript(progress, options.keys, options.frames, nullptr, nullptr); },
            notes, error);
        for (const std::string& note : notes) {
            fail(0, note);
        }
        if (!bytes) {
            return fail(runError, output->cannotWrite(error));
        }
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
        if (!output->commit({data, bytes->size()}, error)) {
            return fail(runError, error);
        }
    } catch (const std::bad_alloc&) {
        return fail(runError, output->cannotWrite("it ran out of memory"));
    }
    return 0;
}
