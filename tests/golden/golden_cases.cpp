#include "golden_cases.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "libraries/image/png_file.h"

namespace golden {

std::string GoldenCase::name() const {
    return model + "-d" + std::to_string(depth) + "-v" + std::to_string(viewpoint);
}

std::string GoldenCase::keys() const {
    return std::string(static_cast<std::size_t>(depth - 1), '+') +
           std::string(static_cast<std::size_t>(modelIndex), 'x') + std::to_string(viewpoint);
}

void PrintTo(const GoldenCase& c, std::ostream* out) {
    *out << c.name() << " (keys \"" << c.keys() << "\")";
}

std::vector<GoldenCase> goldenCases() {
    const char* models[] = {"chain", "figure", "fan", "tree"};
    std::vector<GoldenCase> cases;
    for (int m = 0; m < 4; ++m) {
        for (const int depth : {1, 4}) {
            for (int viewpoint = 1; viewpoint <= 3; ++viewpoint) {
                cases.push_back({models[m], m, depth, viewpoint});
            }
        }
    }
    return cases;
}

std::string referenceFolder() {
    return GOLDEN_REFERENCE_FOLDER;
}

std::string outputFolder() {
    std::filesystem::create_directories(GOLDEN_OUTPUT_FOLDER);
    return GOLDEN_OUTPUT_FOLDER;
}

image::RgbImage readPicture(const std::string& path) {
    image::RgbImage picture;
    if (const std::optional<std::string> problem = image::readPng(path, picture)) {
        ADD_FAILURE() << *problem;
        return {};
    }
    return picture;
}

}  // namespace golden
