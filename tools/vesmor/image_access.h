#pragma once
// Whole-tag images in the command-line tool: reading every block of a transponder into an
// image, and image files loaded and saved with their problems said in one line.

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "app/core/tag_image.h"
#include "tools/vesmor/transponder_access.h"

namespace vesmor::cli {

struct ImageReadOptions {
    int32_t flags = kDefaultRequestFlags;
    bool single = false;    // Read Single Block for every block
    bool progress = false;  // "Block N von M gelesen" on a terminal
    bool security = false;  // also the block security status (option flag 0x40)
};

// Every block the transponder lets read (the EM chip's last one stays null); with `security`
// also its locked blocks, where the chip reports them. nullopt after printing the library
// error.
std::optional<tagforge::TagImage> ReadTagImage(int32_t handle, const Target& target,
                                               const ImageReadOptions& options);

// The image in a file: the format from `format` ("json", "bin", "csv") or else from the file
// name; a binary image takes `binaryBlockSize`. Prints why it is none.
std::optional<tagforge::TagImage> LoadImageFile(const std::string& path, const std::string& format,
                                                int binaryBlockSize);

// The format a file name and a --format option give.
tagforge::ImageFormat ImageFormatFor(const std::string& path, const std::string& format);

// Writes the image to a file at once, never through a link; prints why it failed.
bool SaveImageFile(const tagforge::TagImage& image, const Uid& uid, const std::string& path,
                   const std::string& format);

// The text of an image problem in the chosen language.
std::string ProblemText(const tagforge::ImageProblem& problem);

// The --format option of dump, restore and diff.
CLI::Validator ImageFormatName();

}  // namespace vesmor::cli
