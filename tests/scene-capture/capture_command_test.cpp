#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "capture_runner.h"
#include "harness/x_server.h"
#include "libraries/image/png_file.h"
#include "sanitizer.h"
#include "scratch_folder.h"

namespace scene_capture {
namespace {

namespace fs = std::filesystem;

// The scene-capture binary's answers to what it must refuse, none of which needs an X server.
// Each test gets an empty folder to write into, holding only an older picture at the target.
class CaptureCommand : public ::testing::Test {
  protected:
    void SetUp() override { std::ofstream(target()) << "older picture"; }

    std::string target() const { return folder_ + "/out.png"; }

    CaptureRun run(const std::vector<std::string>& args, const std::string& display = "") {
        // In the working directory: the test's own folder must hold nothing but the target.
        return runCapture(args, display, "command-" + std::to_string(getpid()) + ".log");
    }

    // Refused with `status`, one line that starts with the program's name and holds `reason`,
    // and the folder exactly as it was.
    void expectRefused(const CaptureRun& result, int status, const std::string& reason) {
        ASSERT_TRUE(result.status) << result.describe();
        EXPECT_TRUE(result.status->exited);
        EXPECT_EQ(result.status->code, status) << result.describe();
        EXPECT_EQ(result.log.rfind("scene-capture: ", 0), 0u) << result.log;
        EXPECT_EQ(std::count(result.log.begin(), result.log.end(), '\n'), 1) << result.log;
        EXPECT_NE(result.log.find(reason), std::string::npos) << result.log;
        EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"out.png"});
        std::ifstream old(target());
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "older picture");
    }

    ScratchFolder scratch_{"capture-command"};
    const std::string folder_ = scratch_.path().string();
};

TEST_F(CaptureCommand, HelpListsTheOptionsAndSucceeds) {
    const CaptureRun result = run({"--help"});
    ASSERT_TRUE(result.succeeded()) << result.describe();
    for (const char* text :
         {"Usage: scene-capture", "--keys", "--frames", "--output", "xvfb-run -a"}) {
        EXPECT_NE(result.log.find(text), std::string::npos) << text;
    }
}

TEST_F(CaptureCommand, BadOptionsAndValuesAreRefusedBeforeAnythingIsWritten) {
    // A display is named, so that each refusal is the command line's and not the display's.
    const std::string display = ":0";
    expectRefused(run({"--output", target(), "--zoom", "2"}, display), 2,
                  "unknown option '--zoom'");
    expectRefused(run({"--output", target(), "--frames", "-4"}, display), 2, "--frames: '-4'");
    expectRefused(run({"--output", target(), "--keys", "xx\x1b"}, display), 2, "Escape");
    expectRefused(run({"--keys", "x"}, display), 2, "--output FILE is required");
    expectRefused(run({"--output", target(), "extra"}, display), 2, "unexpected argument");
    // "--" ends the options, and what follows is a stray argument, whatever it looks like.
    expectRefused(run({"--output", target(), "--", "--frames", "1"}, display), 2,
                  "unexpected argument '--frames'");
    expectRefused(run({"--output", target(), "--keys", "x", "--state", "steps=3"}, display), 2,
                  "--keys is not allowed with --state");
    expectRefused(run({"--state", "steps=1&frames=1", "--output", target()}, display), 2,
                  "--state: frames: not together with steps");
}

TEST_F(CaptureCommand, WithoutADisplayItSaysHowToGetOne) {
    expectRefused(run({"--output", target()}, ""), 1, "DISPLAY is not set");
    expectRefused(run({"--output", target()}, ""), 1, "xvfb-run -a");
}

TEST_F(CaptureCommand, ADisplayNobodyServesIsNamed) {
    int number = 4242;
    while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
           fs::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
        ++number;
    }
    const std::string display = ":" + std::to_string(number);
    expectRefused(run({"--output", target()}, display), 1, "cannot open display " + display);
}

TEST_F(CaptureCommand, AnOutputThatCannotBeWrittenIsFoundBeforeTheDisplayIsNeeded) {
    expectRefused(run({"--output", folder_ + "/missing/out.png"}, ""), 1,
                  "cannot write " + folder_ + "/missing/out.png");
    fs::create_directory(folder_ + "/picture.png");
    const CaptureRun folder = run({"--output", folder_ + "/picture.png"}, "");
    ASSERT_TRUE(folder.status) << folder.describe();
    EXPECT_EQ(folder.status->code, 1);
    EXPECT_NE(folder.log.find("it is a folder"), std::string::npos) << folder.log;
}

// The runs that get as far as drawing, on an X server of their own.
class CaptureOnADisplay : public CaptureCommand {
  protected:
    static void SetUpTestSuite() {
        try {
            server_ = e2e::XServer::startOrAttach("xvfb-" + std::to_string(getpid()) + ".log");
        } catch (const std::exception& problem) {
            serverProblem_ = problem.what();
        }
    }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(server_) << serverProblem_;
        CaptureCommand::SetUp();
    }

    static std::unique_ptr<e2e::XServer> server_;
    static std::string serverProblem_;
};

std::unique_ptr<e2e::XServer> CaptureOnADisplay::server_;
std::string CaptureOnADisplay::serverProblem_;

TEST_F(CaptureOnADisplay, ARunEndedWhileItDrawsLeavesNothingBehind) {
    // A million frames take many minutes: the run is still drawing when it is terminated.
    const CaptureRun ended =
        runCapture({"--frames", "1000000", "--output", target()}, server_->display(),
                   "ended-" + std::to_string(getpid()) + ".log", std::chrono::seconds(3));
    EXPECT_FALSE(ended.status) << ended.describe();
    EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"out.png"});
    std::ifstream old(target());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "older picture");
}

// Under an address-space limit too small to open the window and draw the first frame, the GL
// driver would crash while it creates its context: scene-capture says so before, in one line.
TEST_F(CaptureOnADisplay, TooLittleAddressSpaceForTheWindowIsOneLineAndNoFile) {
    if (underAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer reserves far more address space than the limit";
    }
    const CaptureRun result = runCapture({"--output", target()}, server_->display(),
                                         "small-" + std::to_string(getpid()) + ".log",
                                         std::chrono::seconds(60), 224 * (std::uint64_t{1} << 20));
    expectRefused(result, 1,
                  "scene-capture: opening the window and drawing the first frame needs about ");
    EXPECT_NE(result.log.find(" MiB is available\n"), std::string::npos) << result.log;
}

// A link of the page, played: its steps draw what as many frames draw, an edit shows, and an
// edit taken back leaves the figure exactly as unedited. A node the figure does not have is
// named, and the picture is still written.
TEST_F(CaptureOnADisplay, AStateIsThePicturePlayedFromThePagesQuery) {
    const auto capture = [this](std::vector<std::string> args, const std::string& name) {
        args.insert(args.end(), {"--output", folder_ + "/" + name});
        const CaptureRun result = run(args, server_->display());
        EXPECT_TRUE(result.succeeded()) << result.describe();
        image::RgbImage picture;
        EXPECT_EQ(image::readPng(folder_ + "/" + name, picture), std::nullopt) << name;
        return std::make_pair(picture, result.log);
    };
    const auto [framed, framedLog] = capture({"--keys", "x", "--frames", "40"}, "frames.png");
    const auto [stepped, steppedLog] = capture({"--state", "keys=x&steps=40"}, "steps.png");
    EXPECT_TRUE(stepped == framed) << "steps=40 draws what --frames 40 draws";
    const auto [edited, editedLog] =
        capture({"--state", "?keys=x&steps=40&edit=figure/3,1,angle,45"}, "edited.png");
    EXPECT_FALSE(edited == framed) << "the shoulder turned shows";
    const auto [undone, undoneLog] =
        capture({"--state",
                 "http://localhost:8000/index.html?keys=x&steps=40&edit=figure/3,1,angle,45&undo"
                 "&edit=figure/9,1,x,1"},
                "undone.png");
    EXPECT_TRUE(undone == framed) << "the edit taken back";
    // The figure rebuilt (an arm moved under the head, a tree added to the hand, a leg
    // deleted) between steps shows; every change taken back, it is the figure never changed.
    const std::string rebuilt =
        "keys=x&steps=20&move=figure/3/1,figure/1,world&add=figure/4/1/1/1,tree,3"
        "&delete=figure/6&steps=20";
    const auto [built, builtLog] = capture({"--state", rebuilt}, "rebuilt.png");
    EXPECT_FALSE(built == framed) << "the rebuilt figure shows";
    const auto [unbuilt, unbuiltLog] =
        capture({"--state", rebuilt + "&undo&undo&undo"}, "rebuilt-undone.png");
    EXPECT_TRUE(unbuilt == framed) << "every change to the hierarchy taken back";
    EXPECT_NE(undoneLog.find("figure/9"), std::string::npos) << undoneLog;
    // One line more than a run with nothing to say (whatever the GL driver says to both).
    EXPECT_EQ(std::count(undoneLog.begin(), undoneLog.end(), '\n'),
              std::count(framedLog.begin(), framedLog.end(), '\n') + 1)
        << undoneLog;
}

TEST_F(CaptureOnADisplay, AFullDeviceIsWrittenIntoAndTheSystemsReasonSaid) {
    const std::string full = folder_ + "/full";
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "cannot make a copy of /dev/full here";
    }
    const CaptureRun result = run({"--output", full}, server_->display());
    ASSERT_TRUE(result.status) << result.describe();
    EXPECT_EQ(result.status->code, 1);
    // Its first line: a sanitizer build may add its own report below.
    EXPECT_EQ(result.log.substr(0, result.log.find('\n')),
              "scene-capture: cannot write " + full + ": No space left on device");
    EXPECT_TRUE(fs::is_character_file(full));
}

}  // namespace
}  // namespace scene_capture
