// The image walkers (JPEG, PNG, GIF, BMP, TIFF) and the signature test, over hand-built files:
// the exact end of a well-formed file with trailing bytes behind it, and the broken, truncated
// and oversized structures that must not be taken for files.
#include "engine/carve/CarveFormats.h"
#include "tests/carve/CarveBytes.h"

#include <gtest/gtest.h>

using namespace carvetest;

namespace {

Bytes WithTail(Bytes b, size_t n = 4096, uint8_t fill = 0xFF) {
    b.insert(b.end(), n, fill);
    return b;
}

} // namespace

TEST(CarveSignature, EachFormatIsRecognisedByItsFirstBytes) {
    auto match = [](Bytes b) {
        b.resize(std::max<size_t>(b.size(), 32), 0);
        return MatchCarveSignature(b.data(), b.size());
    };
    EXPECT_EQ(match(Jpeg()), CarveFormat::Jpeg);
    EXPECT_EQ(match(Png()), CarveFormat::Png);
    EXPECT_EQ(match(Zip({{"a", "b"}})), CarveFormat::Zip);
    EXPECT_EQ(match(Mp4("isom")), CarveFormat::Mp4);
    Bytes gif;
    Put(gif, "GIF89a");
    EXPECT_EQ(match(gif), CarveFormat::Gif);
    Bytes riff;
    Put(riff, std::string("RIFF\x10\0\0\0WAVE", 12));
    EXPECT_EQ(match(riff), CarveFormat::Riff);
    Bytes avi;
    Put(avi, std::string("RIFF\x10\0\0\0AVI ", 12));
    EXPECT_EQ(match(avi), CarveFormat::Riff);
    Bytes other;
    Put(other, std::string("RIFF\x10\0\0\0ABCD", 12));
    EXPECT_FALSE(match(other));
    EXPECT_FALSE(match(Bytes(32, 0)));
    EXPECT_FALSE(match(Bytes(32, 0xFF)));
    // Fewer bytes than a signature needs never match.
    const Bytes jpeg = Jpeg();
    EXPECT_FALSE(MatchCarveSignature(jpeg.data(), 8));
}

TEST(CarveJpeg, WalksToTheOuterEoiPastTheThumbnail) {
    const Bytes jpeg = Jpeg();
    const auto file = Walk(CarveFormat::Jpeg, WithTail(jpeg));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, jpeg.size());
    EXPECT_EQ(file->extension, "jpg");
}

TEST(CarveJpeg, BrokenOrTruncatedWalksAreRejected) {
    const Bytes jpeg = Jpeg();
    // Cut before the EOI, at the end of the buffer or by the limit.
    EXPECT_FALSE(Walk(CarveFormat::Jpeg, Bytes(jpeg.begin(), jpeg.end() - 2)));
    EXPECT_FALSE(Walk(CarveFormat::Jpeg, WithTail(jpeg), jpeg.size() - 1));
    // A segment whose length runs past the limit.
    Bytes huge = jpeg;
    huge[4] = 0xFF;
    huge[5] = 0xF0;
    EXPECT_FALSE(Walk(CarveFormat::Jpeg, huge));
    // Where a marker must be there is none.
    Bytes broken = jpeg;
    const size_t app1 = 4 + (static_cast<size_t>(jpeg[4]) << 8 | jpeg[5]);
    broken[app1 - 2 + 2] = 0x00;
    EXPECT_FALSE(Walk(CarveFormat::Jpeg, WithTail(broken, 64, 0)));
    // An EOI before any frame or scan: not an image.
    const Bytes empty = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_FALSE(Walk(CarveFormat::Jpeg, WithTail(empty)));
}

TEST(CarvePng, WalksToIendAndChecksTheHeaderCrc) {
    const Bytes png = Png();
    const auto file = Walk(CarveFormat::Png, WithTail(png));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, png.size());
    Bytes bad = png;
    bad[20] ^= 1; // a byte of IHDR
    EXPECT_FALSE(Walk(CarveFormat::Png, WithTail(bad)));
    EXPECT_FALSE(Walk(CarveFormat::Png, png, png.size() - 1));
    // A chunk length of 2 GiB on a small buffer.
    Bytes huge = png;
    huge[33] = 0x7F;
    EXPECT_FALSE(Walk(CarveFormat::Png, huge));
}

TEST(CarveGif, WalksBlocksToTheTrailer) {
    Bytes gif;
    Put(gif, "GIF89a");
    Le16(gif, 1);
    Le16(gif, 1);
    gif.insert(gif.end(), {0x80, 0, 0}); // global colour table of 2 entries
    gif.insert(gif.end(), 6, 0x11);
    gif.insert(gif.end(), {0x21, 0xF9, 4, 0, 0, 0, 0, 0}); // graphic control extension
    gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, 0x3B});
    const auto file = Walk(CarveFormat::Gif, WithTail(gif, 100, 0x3B));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, gif.size());
    EXPECT_FALSE(Walk(CarveFormat::Gif, Bytes(gif.begin(), gif.end() - 1)));
    Bytes noImage(gif.begin(), gif.begin() + 19);
    noImage.push_back(0x3B);
    EXPECT_FALSE(Walk(CarveFormat::Gif, noImage));
}

TEST(CarveBmp, TakesTheStatedSizeWhenTheRowsFit) {
    Bytes bmp;
    Put(bmp, "BM");
    Le32(bmp, 54 + 16);
    Le32(bmp, 0);
    Le32(bmp, 54);
    Le32(bmp, 40);
    Le32(bmp, 2); // width
    Le32(bmp, 2); // height
    Le16(bmp, 1);
    Le16(bmp, 24);
    Le32(bmp, 0);
    bmp.resize(54 + 16, 0x40);
    const auto file = Walk(CarveFormat::Bmp, WithTail(bmp));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, 70u);
    EXPECT_FALSE(Walk(CarveFormat::Bmp, bmp, 69)); // the size runs past the limit
    Bytes tooMany = bmp;
    tooMany[18] = 200; // 200 pixels a row do not fit 16 bytes
    EXPECT_FALSE(Walk(CarveFormat::Bmp, WithTail(tooMany)));
}

namespace {

// A little-endian TIFF: IFD0 with one strip, make text, and an Exif sub-IFD.
Bytes Tiff(const std::string& make, bool dng) {
    Bytes t;
    Put(t, "II");
    Le16(t, 42);
    Le32(t, 8);
    const uint16_t count = dng ? 5 : 4;
    Le16(t, count);
    const uint32_t after = 8 + 2 + 12 * count + 4;
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t n, uint32_t value) {
        Le16(t, tag);
        Le16(t, type);
        Le32(t, n);
        Le32(t, value);
    };
    entry(271, 2, static_cast<uint32_t>(make.size() + 1), after); // Make
    entry(273, 4, 1, after + 64);                                 // StripOffsets
    entry(279, 4, 1, 100);                                        // StripByteCounts
    entry(34665, 4, 1, after + 32);                               // Exif IFD
    if (dng) entry(50706, 1, 4, 0x00000401);                      // DNGVersion
    Le32(t, 0);
    Put(t, make);
    t.resize(after + 32, 0);
    Le16(t, 1); // the Exif IFD: one entry whose value lies at the very end
    entry(0x927C, 7, 40, after + 164);
    Le32(t, 0);
    t.resize(after + 64 + 100, 0x55); // the strip
    t.resize(after + 164 + 40, 0x66); // the maker note
    return t;
}

} // namespace

TEST(CarveTiff, EndsAfterTheLastByteAnyDirectoryUses) {
    const Bytes tif = Tiff("Canon", false);
    auto file = Walk(CarveFormat::Tiff, WithTail(tif, 500, 0));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, tif.size());
    EXPECT_EQ(file->extension, "tif");
    EXPECT_EQ(Walk(CarveFormat::Tiff, WithTail(Tiff("NIKON CORPORATION", false), 10))->extension,
              "nef");
    EXPECT_EQ(Walk(CarveFormat::Tiff, WithTail(Tiff("SONY", false), 10))->extension, "arw");
    EXPECT_EQ(Walk(CarveFormat::Tiff, WithTail(Tiff("Leica", true), 10))->extension, "dng");
    // Data that lies past the limit, and a directory that points at itself.
    EXPECT_FALSE(Walk(CarveFormat::Tiff, tif, tif.size() - 1));
    Bytes loop = tif;
    const size_t next = 8 + 2 + 12 * 4;
    loop[next] = 8; // IFD0's next directory is IFD0
    file = Walk(CarveFormat::Tiff, WithTail(loop, 10));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, tif.size());
}
