#include "harness/pixel_analysis.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace e2e {

std::string toString(image::Rgb colour) {
    return "(" + std::to_string(colour.r) + ", " + std::to_string(colour.g) + ", " +
           std::to_string(colour.b) + ")";
}

std::string toString(const Box& box) {
    return "[" + std::to_string(box.left) + ".." + std::to_string(box.right) + "] x [" +
           std::to_string(box.top) + ".." + std::to_string(box.bottom) + "]";
}

bool isNear(image::Rgb colour, image::Rgb target, int tolerance) {
    return std::abs(colour.r - target.r) <= tolerance &&
           std::abs(colour.g - target.g) <= tolerance && std::abs(colour.b - target.b) <= tolerance;
}

PixelTest near(image::Rgb target, int tolerance) {
    return [=](image::Rgb colour) { return isNear(colour, target, tolerance); };
}

PixelTest notNear(image::Rgb target, int tolerance) {
    return [=](image::Rgb colour) { return !isNear(colour, target, tolerance); };
}

int countPixels(const image::RgbImage& image, const PixelTest& test) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += test(image.at(x, y)) ? 1 : 0;
        }
    }
    return count;
}

namespace {

template <typename Accept>
std::optional<Box> boundsOf(const image::RgbImage& image, Accept accept) {
    std::optional<Box> box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!accept(x, y)) {
                continue;
            }
            if (!box) {
                box = Box{x, y, x, y};
            } else {
                box->left = std::min(box->left, x);
                box->right = std::max(box->right, x);
                box->bottom = y;
            }
        }
    }
    return box;
}

}  // namespace

std::optional<Box> boundingBox(const image::RgbImage& image, const PixelTest& test) {
    return boundsOf(image, [&](int x, int y) { return test(image.at(x, y)); });
}

bool anyNear(const image::RgbImage& image, int x, int y, int radius, const PixelTest& test) {
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (image.contains(x + dx, y + dy) && test(image.at(x + dx, y + dy))) {
                return true;
            }
        }
    }
    return false;
}

double columnFraction(const image::RgbImage& image, int x, int top, int bottom,
                      const PixelTest& test) {
    int passed = 0;
    for (int y = top; y <= bottom; ++y) {
        passed += image.contains(x, y) && test(image.at(x, y)) ? 1 : 0;
    }
    return bottom < top ? 0.0 : passed / static_cast<double>(bottom - top + 1);
}

double rowFraction(const image::RgbImage& image, int y, int left, int right,
                   const PixelTest& test) {
    int passed = 0;
    for (int x = left; x <= right; ++x) {
        passed += image.contains(x, y) && test(image.at(x, y)) ? 1 : 0;
    }
    return right < left ? 0.0 : passed / static_cast<double>(right - left + 1);
}

int countDistinctColours(const image::RgbImage& image) {
    std::set<std::uint32_t> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const image::Rgb c = image.at(x, y);
            colours.insert(static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b));
        }
    }
    return static_cast<int>(colours.size());
}

int countDifferences(const image::RgbImage& a, const image::RgbImage& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return std::max(a.width() * a.height(), b.width() * b.height());
    }
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += a.at(x, y) == b.at(x, y) ? 0 : 1;
        }
    }
    return count;
}

bool isSolidAt(const image::RgbImage& image, int x, int y, image::Rgb background) {
    if (x < 2 || y < 2 || x >= image.width() - 2 || y >= image.height() - 2) {
        return false;
    }
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            if (image.at(x + dx, y + dy) == background) {
                return false;
            }
        }
    }
    return true;
}

namespace {

// isSolidAt for every pixel at once: runs of non-background pixels, first along the rows, then
// down the columns of the row results.
std::vector<bool> solidMask(const image::RgbImage& image, image::Rgb background) {
    const int w = image.width();
    const int h = image.height();
    const auto at = [w](int x, int y) { return static_cast<std::size_t>(y * w + x); };
    std::vector<bool> across(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        int run = 0;
        for (int x = 0; x < w; ++x) {
            run = image.at(x, y) == background ? 0 : run + 1;
            if (x >= 4 && run >= 5) {
                across[at(x - 2, y)] = true;
            }
        }
    }
    std::vector<bool> solid(across.size());
    for (int x = 0; x < w; ++x) {
        int run = 0;
        for (int y = 0; y < h; ++y) {
            run = across[at(x, y)] ? run + 1 : 0;
            if (y >= 4 && run >= 5) {
                solid[at(x, y - 2)] = true;
            }
        }
    }
    return solid;
}

}  // namespace

int countSolidPixels(const image::RgbImage& image, image::Rgb background) {
    const std::vector<bool> solid = solidMask(image, background);
    return static_cast<int>(std::count(solid.begin(), solid.end(), true));
}

std::optional<Box> solidBoundingBox(const image::RgbImage& image, image::Rgb background) {
    const std::vector<bool> solid = solidMask(image, background);
    return boundsOf(image, [&](int x, int y) {
        return solid[static_cast<std::size_t>(y * image.width() + x)];
    });
}

std::vector<image::Rgb> solidColours(const image::RgbImage& image, image::Rgb background) {
    const std::vector<bool> solid = solidMask(image, background);
    std::vector<image::Rgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (solid[static_cast<std::size_t>(y * image.width() + x)]) {
                colours.push_back(image.at(x, y));
            }
        }
    }
    return colours;
}

}  // namespace e2e
