#include "scene-export/export_options.h"

#include "app/edit_script.h"
#include "app/key_script.h"
#include "libraries/command_line/option_reader.h"

namespace scene_export {

namespace {

using gltf::GltfFormat;

// The format that the file name's extension asks for: .glb or .gltf, in any case.
std::optional<GltfFormat> formatOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::nullopt;
    }
    std::string extension = path.substr(dot);
    for (char& c : extension) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (extension == ".glb") {
        return GltfFormat::binary;
    }
    if (extension == ".gltf") {
        return GltfFormat::json;
    }
    return std::nullopt;
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    ExportOptions options;
    command_line::OptionReader reader;
    reader.add("--animate", [&options](const std::string& value) {
        return readCount("--animate", value, options.animate);
    });
    return command_line::readCommandLine<ExportOptions>(
        reader, options, args, readCount, [](ExportOptions& read) -> std::optional<std::string> {
            const std::optional<GltfFormat> format = formatOf(read.output);
            if (!format) {
                return "--output: '" + read.output +
                       "' ends in neither .glb (binary glTF) nor .gltf (glTF as JSON)";
            }
            read.format = *format;
            std::optional<std::string> problem = checkKeys(read.keys, "the file");
            return problem ? problem : checkState(read.state, "the file", read.notes);
        });
}

std::string helpText() {
    return "Usage: scene-export [--keys KEYS] [--frames N] [--animate N] --output FILE\n"
           "       scene-export --state QUERY [--animate N] --output FILE\n"
           "\n"
           "Builds the viewer's models, types KEYS into the viewer, runs N animation steps\n"
           "and writes the model on screen to FILE as glTF 2.0: one node for each node of\n"
           "the model, with its name, its local transform and what it draws. Needs no\n"
           "display. With --state, the model the web page shows for QUERY.\n"
           "\n" +
           keysHelp() +
           "  --frames N     animation steps after the keys, 0 to 1000000; each one steps the\n"
           "                 model on screen (unless paused). 0 exports the state the keys\n"
           "                 left, unanimated. Default: 1.\n" +
           stateHelp() +
           "  --animate N    N further steps, 0 to 1000000, exported as one glTF animation:\n"
           "                 a keyframe for every step, 60 steps a second, the first at 0 s\n"
           "                 being the exported pose. Every node that moves gets its\n"
           "                 translation, rotation and scale; lines that move with it (the\n"
           "                 tree's connectors) morph. Default: 0, no animation.\n"
           "  --output FILE  FILE.glb for binary glTF, FILE.gltf for glTF as JSON with its\n"
           "                 data inside. A file is replaced only once it is complete, and\n"
           "                 keeps its permissions; a symbolic link's target is written and\n"
           "                 the link kept.\n"
           "  -h, --help     this text.\n"
           "  --             ends the options. scene-export takes no other arguments, so\n"
           "                 anything after it is refused.\n"
           "\n"
           "For example, the tree at depth 4 turning for 600 steps:\n"
           "  scene-export --keys \"+++xxx\" --frames 0 --animate 600 --output tree.glb\n"
           "The page's model for ...?keys=x&steps=40&edit=figure/3,1,angle,45:\n"
           "  scene-export --state 'keys=x&steps=40&edit=figure/3,1,angle,45' \\\n"
           "      --output figure.glb\n";
}

}  // namespace scene_export
