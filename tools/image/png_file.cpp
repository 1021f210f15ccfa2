#include "tools/image/png_file.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace {

// Larger pictures than this are refused when read: a corrupt or hostile header must not make
// us allocate gigabytes.
constexpr png_uint_32 maxReadSide = 16384;

// Temporary files not yet committed, removed at exit. Allocated once and never freed, so it
// is still there while the exit handlers run.
std::vector<std::string>& pendingFiles() {
    static auto* files = new std::vector<std::string>;
    return *files;
}

void removePendingFiles() {
    for (const std::string& path : pendingFiles()) {
        unlink(path.c_str());
    }
    pendingFiles().clear();
}

void forget(const std::string& path) {
    auto& files = pendingFiles();
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

}  // namespace

bool writePng(const RgbImage& image, std::FILE* file, std::string& error) {
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
    int written = 0;
    if (mapped) {
        png.format = PNG_FORMAT_RGB_COLORMAP;
        png.colormap_entries = static_cast<png_uint_32>(palette.size() / 3);
        written = png_image_write_to_stdio(&png, file, 0, indices.data(), 0, palette.data());
    } else {
        png.format = PNG_FORMAT_RGB;
        written = png_image_write_to_stdio(&png, file, 0, image.bytes().data(), 0, nullptr);
    }
    if (written == 0) {
        error = png.message;
        png_image_free(&png);
        return false;
    }
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
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

std::optional<PendingPng> PendingPng::prepare(const std::string& target, std::string& error) {
    struct stat info {};
    if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "cannot write " + target + ": it is a folder";
        return std::nullopt;
    }
    std::string temporary = folderOf(target) + "/." + baseName(target) + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // mkstemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, static_cast<mode_t>(0666 & ~mask));
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return std::nullopt;
    }
    static const bool registered = std::atexit(removePendingFiles) == 0;
    (void)registered;
    pendingFiles().push_back(temporary);
    return PendingPng(target, std::move(temporary), file);
}

PendingPng::PendingPng(std::string target, std::string temporary, std::FILE* file)
    : target_(std::move(target)), temporary_(std::move(temporary)), file_(file) {}

PendingPng::PendingPng(PendingPng&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      file_(std::exchange(other.file_, nullptr)) {
    other.temporary_.clear();
}

PendingPng::~PendingPng() {
    discard();
}

void PendingPng::discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        forget(temporary_);
        temporary_.clear();
    }
}

bool PendingPng::commit(const RgbImage& image, std::string& error) {
    if (file_ == nullptr) {
        error = "cannot write " + target_ + ": already written";
        return false;
    }
    std::string why;
    bool written = writePng(image, file_, why);
    if (written && fsync(fileno(file_)) != 0) {
        why = std::strerror(errno);
        written = false;
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (written && closed != 0) {
        why = std::strerror(errno);
        written = false;
    }
    if (written && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        why = std::strerror(errno);
        written = false;
    }
    if (!written) {
        error = "cannot write " + target_ + ": " + why;
        discard();
        return false;
    }
    forget(temporary_);
    temporary_.clear();
    return true;
}

bool savePng(const RgbImage& image, const std::string& path, std::string& error) {
    std::optional<PendingPng> file = PendingPng::prepare(path, error);
    return file && file->commit(image, error);
}
