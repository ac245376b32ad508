// The whole-tag image format: every form read back gives the image it was written from, and
// what is not an image is refused with its reason.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "app/core/file_output.h"
#include "app/core/tag_image.h"

namespace tagforge {
namespace {

TagImage Sample() {
    TagImage image;
    image.uid = std::array<uint8_t, 8>{0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x04, 0xE0};
    image.blockCount = 4;
    image.blockSize = 4;
    image.blocks = {BlockBytes{'=', '1', ',', '"'}, BlockBytes{0x00, 0x1B, 0x7F, 0xFF},
                    BlockBytes{'a', 'b', 'c', 'd'}, std::nullopt};
    image.lockedBlocks = std::vector<int>{1};
    image.time = "2026-12-10T08:37:09Z";
    return image;
}

TEST(TagImage, EveryFormReadsBackAsTheImageItWasWrittenFrom) {
    const TagImage image = Sample();
    ImageProblem problem;
    const auto json = ParseImage(ImageFileText(image, ImageFormat::kJson, "type"),
                                 ImageFormat::kJson, 0, problem);
    ASSERT_TRUE(json) << problem.text;
    EXPECT_EQ(json->uid, image.uid);
    EXPECT_EQ(json->blocks, image.blocks);
    EXPECT_EQ(json->lockedBlocks, image.lockedBlocks);
    EXPECT_EQ(json->time, image.time);
    const std::string csvText = ImageFileText(image, ImageFormat::kCsv, "");
    EXPECT_EQ(
        csvText,
        "Block,Hex,ASCII,Locked\r\n0,3D 31 2C 22,\"'=1,\"\"\",0\r\n1,00 1B 7F FF,\"....\",1\r\n"
        "2,61 62 63 64,\"abcd\",0\r\n3,,\"\",0\r\n");
    const auto csv = ParseImage(csvText, ImageFormat::kCsv, 0, problem);
    ASSERT_TRUE(csv) << problem.text;
    EXPECT_EQ(csv->blocks, image.blocks);
    EXPECT_EQ(csv->lockedBlocks, image.lockedBlocks);
    // The binary form leaves out the unreadable last block.
    const std::string binary = ImageFileText(image, ImageFormat::kBinary, "");
    EXPECT_EQ(binary.size(), 12u);
    const auto raw = ParseImage(binary, ImageFormat::kBinary, 4, problem);
    ASSERT_TRUE(raw);
    EXPECT_EQ(DifferingBlocks(*raw, image), std::vector<int>{3});
    EXPECT_EQ(BlockRanges({0, 1, 2, 5, 7, 8}), "0-2, 5, 7-8");
    EXPECT_EQ(BlockRanges({}), "-");
}

TEST(TagImage, WhatIsNotAWholeImageIsRefusedWithItsReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"[1, 2]", "Die Datei enthält kein JSON-Objekt"},
        {R"({"blockCount": 1, "blockSize": 4})", "Im Abbild fehlt \"%1\""},
        {R"({"blockCount": 1, "blockSize": 33, "blocks": []})",
         "blockCount muss 1 bis %1 sein und blockSize 1 bis %2"},
        {R"({"blockCount": 1, "blockSize": 4, "blocks": ["01 02 03"]})",
         "Block %1 des Abbilds ist nicht %2 Bytes in Hexadezimal (oder null)"},
        {R"({"blockCount": 1, "blockSize": 4, "blocks": [null], "uid": "E0"})",
         "\"uid\" des Abbilds ist nicht 16 hexadezimale Ziffern"},
        {R"({"blockCount": 1, "blockSize": 4, "blocks": [null], "lockedBlocks": [1]})",
         "\"lockedBlocks\" muss eine Liste von Blocknummern des Abbilds sein"},
    };
    for (const auto& [text, reason] : cases) {
        ImageProblem problem;
        EXPECT_FALSE(ParseImage(text, ImageFormat::kJson, 0, problem)) << text;
        ASSERT_TRUE(problem);
        EXPECT_EQ(std::string(problem.text), reason) << text;
    }
    ImageProblem problem;
    EXPECT_FALSE(ParseImage("Block,Hex,ASCII,Locked\r\n0,01 02,,\r\n1,01,,\r\n", ImageFormat::kCsv,
                            0, problem));
    EXPECT_EQ(problem.args, (std::vector<std::string>{"3", "1"}));
    EXPECT_FALSE(ParseImage("", ImageFormat::kBinary, 4, problem));
    EXPECT_FALSE(ParseImage("abc", ImageFormat::kBinary, 0, problem));
    TagImage image = Sample();
    EXPECT_TRUE(GeometryProblem(image, 4, 8));
    EXPECT_TRUE(GeometryProblem(image, 3, 4));
    EXPECT_FALSE(GeometryProblem(image, 28, 4));
}

TEST(FileOutput, ReplacesAtOnceAndRefusesLinks) {
    char pattern[] = "/tmp/vesmor-file-output-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    const std::string path = dir + "/image.json";
    ASSERT_TRUE(WriteFileAtomically(path, "one"));
    ASSERT_TRUE(WriteFileAtomically(path, "two"));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, text, 100));
    EXPECT_EQ(text, "two");
    EXPECT_FALSE(ReadWholeFile(path, text, 2));
    EXPECT_EQ(errno, EFBIG);
    EXPECT_FALSE(ReadWholeFile(dir, text, 100));
    ASSERT_EQ(::symlink(path.c_str(), (dir + "/link").c_str()), 0);
    EXPECT_FALSE(WriteFileAtomically(dir + "/link", "three"));
    EXPECT_EQ(errno, ELOOP);
    ASSERT_TRUE(ReadWholeFile(path, text, 100));
    EXPECT_EQ(text, "two");
    EXPECT_FALSE(WriteFileAtomically(dir + "/missing/x.json", "x"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tagforge
