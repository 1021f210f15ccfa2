#include "libraries/image/png_file.h"

#include <fcntl.h>
#include <limits.h>
#include <png.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

namespace image {

namespace {

// Larger pictures than this are refused when read: a corrupt or hostile header must not make
// us allocate gigabytes.
constexpr png_uint_32 maxReadSide = 16384;

// The picture as palette indices and an RGB palette, when it has at most 256 colours.
bool buildPalette(const RgbImage& image, std::vector<std::uint8_t>& indices,
                  std::vector<std::uint8_t>& palette) {
    std::unordered_map<std::uint32_t, std::uint8_t> index;
    indices.resize(image.bytes().size() / 3);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        const std::uint8_t* p = &image.bytes()[i * 3];
        const std::uint32_t colour = std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
        auto [entry, added] = index.try_emplace(colour, static_cast<std::uint8_t>(index.size()));
        if (added) {
            if (index.size() > 256) {
                return false;
            }
            palette.insert(palette.end(), p, p + 3);
        }
        indices[i] = entry->second;
    }
    return true;
}

// The picture as a PNG file's bytes, into `bytes`; the problem, or nothing.
std::optional<std::string> encodePng(const RgbImage& image, std::vector<std::uint8_t>& bytes) {
    if (image.empty()) {
        return "the picture is empty or its pixels do not match its size";
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width());
    png.height = static_cast<png_uint_32>(image.height());

    // The viewer's flat shading rarely makes more than a couple of hundred colours; a palette
    // then takes a third of the bytes, and reads back to exactly the same pixels.
    std::vector<std::uint8_t> indices;
    std::vector<std::uint8_t> palette;
    const bool mapped = buildPalette(image, indices, palette);
    png.format = mapped ? PNG_FORMAT_RGB_COLORMAP : PNG_FORMAT_RGB;
    png.colormap_entries = static_cast<png_uint_32>(palette.size() / 3);
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    bytes.resize(size);
    if (png_image_write_to_memory(&png, bytes.data(), &size, 0,
                                  mapped ? indices.data() : image.bytes().data(), 0,
                                  mapped ? palette.data() : nullptr) == 0) {
        std::string problem = png.message;
        png_image_free(&png);
        return problem;
    }
    bytes.resize(size);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> writePng(const RgbImage& image, std::FILE* file) {
    std::vector<std::uint8_t> bytes;
    if (std::optional<std::string> problem = encodePng(image, bytes)) {
        return problem;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fflush(file) != 0) {
        // fwrite and fflush leave the system's reason in errno.
        return std::strerror(errno);
    }
    return std::nullopt;
}

std::optional<std::string> readPng(const std::string& path, RgbImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    const auto fail = [&png, &path](const std::string& why) {
        png_image_free(&png);
        return "cannot read " + path + ": " + why;
    };
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        return fail(png.message);
    }
    if (png.width > maxReadSide || png.height > maxReadSide) {
        return fail(std::to_string(png.width) + " x " + std::to_string(png.height) +
                    " pixels is too large");
    }
    png.format = PNG_FORMAT_RGB;
    RgbImage read(static_cast<int>(png.width), static_cast<int>(png.height));
    // libpng refuses a header without pixels, so the picture has room for PNG_IMAGE_SIZE bytes.
    if (png_image_finish_read(&png, nullptr, read.data(), 0, nullptr) == 0) {
        return fail(png.message);
    }
    image = std::move(read);
    return std::nullopt;
}

std::optional<std::string> commitPng(files::PendingFile& file, const RgbImage& image) {
    std::vector<std::uint8_t> bytes;
    if (std::optional<std::string> why = encodePng(image, bytes)) {
        return file.cannotWrite(*why);
    }
    return file.commit(bytes);
}

std::optional<std::string> savePng(const RgbImage& image, const std::string& path) {
    files::PendingFile file(path);
    if (std::optional<std::string> problem = file.prepare()) {
        return problem;
    }
    return commitPng(file, image);
}

}  // namespace image
