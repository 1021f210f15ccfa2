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
#include <vector>

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

// The picture as a PNG file's bytes.
bool encodePng(const RgbImage& image, std::vector<std::uint8_t>& bytes, std::string& error) {
    if (image.empty()) {
        error = "the picture is empty or its pixels do not match its size";
        return false;
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
        error = png.message;
        png_image_free(&png);
        return false;
    }
    bytes.resize(size);
    return true;
}

}  // namespace

bool writePng(const RgbImage& image, std::FILE* file, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!encodePng(image, bytes, error)) {
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fflush(file) != 0) {
        // fwrite and fflush leave the system's reason in errno.
        error = std::strerror(errno);
        return false;
    }
    return true;
}

std::optional<RgbImage> readPng(const std::string& path, std::string& error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        error = "cannot read " + path + ": " + png.message;
        png_image_free(&png);
        return std::nullopt;
    }
    if (png.width > maxReadSide || png.height > maxReadSide) {
        error = "cannot read " + path + ": " + std::to_string(png.width) + " x " +
                std::to_string(png.height) + " pixels is too large";
        png_image_free(&png);
        return std::nullopt;
    }
    png.format = PNG_FORMAT_RGB;
    RgbImage image(static_cast<int>(png.width), static_cast<int>(png.height));
    // libpng refuses a header without pixels, so the picture has room for PNG_IMAGE_SIZE bytes.
    if (png_image_finish_read(&png, nullptr, image.data(), 0, nullptr) == 0) {
        error = "cannot read " + path + ": " + png.message;
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

std::optional<std::string> commitPng(PendingFile& file, const RgbImage& image) {
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!encodePng(image, bytes, why)) {
        return file.cannotWrite(why);
    }
    std::string error;
    if (!file.commit(bytes, error)) {
        return error;
    }
    return std::nullopt;
}

bool savePng(const RgbImage& image, const std::string& path, std::string& error) {
    std::optional<PendingFile> file = PendingFile::prepare(path, error);
    if (!file) {
        return false;
    }
    std::optional<std::string> problem = commitPng(*file, image);
    error = problem.value_or("");
    return !problem;
}
