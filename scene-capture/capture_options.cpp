#include "scene-capture/capture_options.h"

#include "app/edit_script.h"
#include "app/key_script.h"
#include "libraries/command_line/option_reader.h"

namespace scene_capture {

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    CaptureOptions options;
    command_line::OptionReader reader;
    return command_line::readCommandLine<CaptureOptions>(
        reader, options, args, readCount, [](CaptureOptions& read) {
            std::optional<std::string> problem = checkKeys(read.keys, "the picture");
            return problem ? problem : checkState(read.state, "the picture", read.notes);
        });
}

std::string helpText() {
    return "Usage: scene-capture [--keys KEYS] [--frames N] --output FILE\n"
           "       scene-capture --state QUERY --output FILE\n"
           "\n"
           "Opens the viewer's window with the viewer's models, draws the start state, types\n"
           "KEYS into it, runs N animation steps and writes the last frame to FILE as an\n"
           "800 x 800 PNG. With --state, the picture the web page shows for QUERY.\n"
           "\n" +
           keysHelp() +
           "  --frames N     animation steps after the keys, 0 to 1000000; each one steps the\n"
           "                 model on screen (unless paused) and draws a frame. 0 draws the\n"
           "                 state the keys left, unanimated. Default: 1.\n" +
           stateHelp() +
           "  --output FILE  the PNG to write, or - for standard output. A file is replaced\n"
           "                 only once the picture is complete, and keeps its permissions;\n"
           "                 a symbolic link's target is written and the link kept; a pipe\n"
           "                 or a device such as /dev/stdout is written straight into.\n"
           "  -h, --help     this text.\n"
           "  --             ends the options. scene-capture takes no other arguments, so\n"
           "                 anything after it is refused.\n"
           "\n"
           "It needs an X display; without one, run it in a virtual one:\n"
           "  xvfb-run -a scene-capture --keys \"+++\" --frames 10 --output chain.png\n"
           "\n"
           "The page's picture for ...?keys=x&steps=40&edit=figure/3,1,angle,45:\n"
           "  scene-capture --state 'keys=x&steps=40&edit=figure/3,1,angle,45' \\\n"
           "      --output figure.png\n";
}

}  // namespace scene_capture
