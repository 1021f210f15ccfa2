#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "capture_runner.h"
#include "golden_cases.h"
#include "harness/x_server.h"
#include "libraries/image/image_compare.h"
#include "libraries/image/png_file.h"

namespace golden {
namespace {

namespace fs = std::filesystem;

// Set to 1 by the update-golden target: the captures are written over the references instead
// of being compared with them.
bool updating() {
    const char* value = std::getenv("SCENE_CAPTURE_UPDATE_GOLDEN");
    return value != nullptr && std::string(value) == "1";
}

class GoldenImages : public ::testing::TestWithParam<GoldenCase> {
  protected:
    static void SetUpTestSuite() {
        try {
            server_ = e2e::XServer::startOrAttach(outputFolder() + "/xvfb-" +
                                                  std::to_string(getpid()) + ".log");
        } catch (const std::exception& problem) {
            serverProblem_ = problem.what();
        }
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override { ASSERT_TRUE(server_) << serverProblem_; }

    static std::unique_ptr<e2e::XServer> server_;
    static std::string serverProblem_;
};

std::unique_ptr<e2e::XServer> GoldenImages::server_;
std::string GoldenImages::serverProblem_;

TEST_P(GoldenImages, CaptureMatchesTheReferencePicture) {
    const GoldenCase& c = GetParam();
    const std::string actualPath = outputFolder() + "/" + c.name() + ".actual.png";
    const std::string diffPath = outputFolder() + "/" + c.name() + ".diff.png";
    const std::string referencePath = referenceFolder() + "/" + c.name() + ".png";
    fs::remove(actualPath);
    fs::remove(diffPath);

    const scene_capture::CaptureRun run = scene_capture::runCapture(
        {"--keys", c.keys(), "--frames", std::to_string(goldenFrames), "--output", actualPath},
        server_->display(), outputFolder() + "/" + c.name() + ".log");
    ASSERT_TRUE(run.succeeded()) << run.describe();

    if (updating()) {
        fs::copy_file(actualPath, referencePath, fs::copy_options::overwrite_existing);
        fs::remove(actualPath);
        std::cout << "wrote " << referencePath << "\n";
        return;
    }

    ASSERT_TRUE(fs::exists(referencePath))
        << "no reference " << referencePath << "; the new picture is " << actualPath
        << " (build the update-golden target to make the references)";
    const image::RgbImage actual = readPicture(actualPath);
    const image::RgbImage reference = readPicture(referencePath);
    ASSERT_EQ(actual.width(), 800);
    ASSERT_EQ(actual.height(), 800);
    const image::ImageComparison result =
        image::compareImages(actual, reference, image::defaultImageTolerance);
    if (result.matches) {
        fs::remove(actualPath);
        return;
    }
    const std::optional<std::string> why = image::savePng(
        image::differenceImage(actual, reference, image::defaultImageTolerance), diffPath);
    ADD_FAILURE() << c.name() << " (keys \"" << c.keys() << "\", " << goldenFrames
                  << " frames) does not match " << referencePath << ": "
                  << result.describe(image::defaultImageTolerance)
                  << "\n  new picture: " << actualPath
                  << "\n  difference (red: differs, yellow: within the tolerance): " << diffPath
                  << (why ? " (" + *why + ")" : "");
}

INSTANTIATE_TEST_SUITE_P(EveryModelDepthAndViewpoint, GoldenImages,
                         ::testing::ValuesIn(goldenCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& param) {
                             std::string name = param.param.name();
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(GoldenCases, CoverEveryModelAtBothDepthsFromEveryViewpointOnce) {
    const std::vector<GoldenCase> cases = goldenCases();
    ASSERT_EQ(cases.size(), 24u);
    std::vector<std::string> names;
    for (const GoldenCase& c : cases) {
        names.push_back(c.name());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
    EXPECT_EQ(cases.front().keys(), "1") << "the chain at depth 1 needs no other key";
    EXPECT_EQ(cases.back().name(), "tree-d4-v3");
    EXPECT_EQ(cases.back().keys(), "+++xxx3");
}

TEST(GoldenCases, EveryReferenceIsCommittedAndNoStrayOneIsLeft) {
    std::vector<std::string> expected;
    for (const GoldenCase& c : goldenCases()) {
        expected.push_back(c.name() + ".png");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(scene_capture::filesIn(referenceFolder()), expected);
}

}  // namespace
}  // namespace golden
