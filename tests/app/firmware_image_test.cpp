#include "app/core/firmware_image.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/core/embedded_parts.h"
#include "app/core/errors.h"

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> bytesOf(std::span<const std::uint8_t> span) {
  return {span.begin(), span.end()};
}

QByteArray sha256Hex(const std::vector<std::uint8_t>& bytes) {
  return QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<qsizetype>(bytes.size())),
                                  QCryptographicHash::Sha256)
      .toHex();
}

TEST(EmbeddedParts, FoundByNameIgnoringCase) {
  const auto part1 = app::findEmbeddedPart(u"Resource_1");
  EXPECT_EQ(app::findEmbeddedPart(u"RESOURCE_1").data(), part1.data());
  EXPECT_EQ(app::findEmbeddedPart(u"resource_1").data(), part1.data());
  EXPECT_NE(app::findEmbeddedPart(u"rEsOuRcE_2").data(), part1.data());
  // The executable carries exactly the configured part files.
  EXPECT_EQ(bytesOf(part1), readFile(ZEDEZ_FIRMWARE_PART1));
  EXPECT_EQ(bytesOf(app::findEmbeddedPart(u"Resource_2")), readFile(ZEDEZ_FIRMWARE_PART2));
}

TEST(EmbeddedParts, MissingPartRaisesResourceNotFoundNamingIt) {
  for (const std::u16string name : {u"Resource_3", u"Resource_", u"", u"../Resource_1"}) {
    try {
      app::findEmbeddedPart(name);
      ADD_FAILURE() << "found a part that does not exist";
    } catch (const app::ResourceNotFoundError& error) {
      EXPECT_EQ(error.message(), u"Resource " + name + u" not found");
    }
  }
}

TEST(FirmwareImage, AssembledFromTheCarriedParts) {
  const auto part1 = app::findEmbeddedPart(app::kFirmwarePart1);
  const auto part2 = app::findEmbeddedPart(app::kFirmwarePart2);
  const auto image = app::buildFirmwareImage();
  const auto& bytes = image->bytes();

  ASSERT_EQ(bytes.size(), part1.size() + 4 + part2.size());
  EXPECT_EQ(image->position(), image->size());
  EXPECT_EQ(bytes[0], 'M');
  EXPECT_EQ(bytes[1], 'Z');
  EXPECT_TRUE(std::equal(part1.begin() + 2, part1.end(), bytes.begin() + 2));
  EXPECT_TRUE(std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(part1.size()),
                         bytes.begin() + static_cast<std::ptrdiff_t>(part1.size()) + 4,
                         std::begin({'R', 'a', 'r', '!'})));
  EXPECT_TRUE(std::equal(part2.begin(), part2.end(),
                         bytes.begin() + static_cast<std::ptrdiff_t>(part1.size()) + 4));
}

TEST(FirmwareImage, PlaceholderPartsGiveThePinnedImage) {
#ifndef ZEDEZ_PLACEHOLDER_PARTS
  GTEST_SKIP() << "built with other firmware parts";
#endif
  const auto part1 = app::findEmbeddedPart(app::kFirmwarePart1);
  ASSERT_EQ(part1.size(), 309'760U);
  ASSERT_EQ(app::findEmbeddedPart(app::kFirmwarePart2).size(), 576'244U);
  // The placeholder's own first bytes differ from "MZ", so their replacement is visible.
  EXPECT_FALSE(part1[0] == 'M' && part1[1] == 'Z');

  const auto image = app::buildFirmwareImage();
  const auto& bytes = image->bytes();
  ASSERT_EQ(bytes.size(), 886'008U);
  EXPECT_EQ(std::string(bytes.begin() + 309'760, bytes.begin() + 309'764), "Rar!");
  EXPECT_EQ(sha256Hex(bytes),
            QByteArray("d7a6305eb86c7222cdb91a47bddef78c298b900dfdf95887c810ea9fb0e819cb"));
}

TEST(FirmwareImage, PartOneMustBeLongerThanItsReplacedStart) {
  const std::vector<std::uint8_t> tiny = {1, 2};
  const std::vector<std::uint8_t> three = {1, 2, 3};
  const std::vector<std::uint8_t> second = {9};
  EXPECT_THROW(app::assembleFirmwareImage(tiny, second), http::Error);
  EXPECT_THROW(app::assembleFirmwareImage({}, second), http::Error);
  const auto image = app::assembleFirmwareImage(three, second);
  EXPECT_EQ(image->view(), std::string_view("MZ\x03Rar!\x09"));
}

class SavedImage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(workDir_.isValid());
    previous_ = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(workDir_.path()));
  }
  void TearDown() override { QDir::setCurrent(previous_); }

  QTemporaryDir workDir_;
  QString previous_;
};

TEST_F(SavedImage, SavingTwiceGivesIdenticalFiles) {
  app::writeImageFile(*app::buildFirmwareImage(), app::kSavedImagePath);
  const auto first = readFile("poskladany.bin");
  {
    std::ofstream longer("poskladany.bin", std::ios::binary | std::ios::app);
    longer << "left over from an older, longer file";
  }
  app::writeImageFile(*app::buildFirmwareImage(), app::kSavedImagePath);
  const auto second = readFile("poskladany.bin");
  EXPECT_EQ(first, app::buildFirmwareImage()->bytes());
  EXPECT_EQ(first, second);
}

TEST_F(SavedImage, UnwritableFileRaisesFileError) {
  ASSERT_TRUE(QDir().mkdir(QStringLiteral("poskladany.bin")));
  try {
    app::writeImageFile(*app::buildFirmwareImage(), app::kSavedImagePath);
    FAIL() << "wrote over a directory";
  } catch (const app::FileError& error) {
    EXPECT_TRUE(error.message().starts_with(u"Cannot create file \"./poskladany.bin\"."))
        << error.what();
  }
}

}  // namespace
