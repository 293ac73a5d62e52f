// The container walkers (ZIP, ISO media, RIFF, SQLite, PDF, MP3) over hand-built files: exact
// ends, names from the contents, and the structures that claim more than there is.
#include "engine/carve/CarveFormats.h"
#include "tests/carve/CarveBytes.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace carvetest;

namespace {

Bytes WithTail(Bytes b, size_t n = 4096, uint8_t fill = 0) {
    b.insert(b.end(), n, fill);
    return b;
}

size_t FindText(const Bytes& b, const std::string& text) {
    for (size_t i = 0; i + text.size() <= b.size(); ++i)
        if (std::memcmp(b.data() + i, text.data(), text.size()) == 0) return i;
    return SIZE_MAX;
}

} // namespace

TEST(CarveZip, EndsAfterTheEndRecordAndNamesTheFamily) {
    const Bytes zip = Zip({{"a.txt", "hello"}, {"b/c.txt", "world"}});
    auto file = Walk(CarveFormat::Zip, WithTail(zip));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, zip.size());
    EXPECT_EQ(file->extension, "zip");
    EXPECT_EQ(
        Walk(CarveFormat::Zip, Zip({{"[Content_Types].xml", "x"}, {"word/document.xml", "y"}}))
            ->extension,
        "docx");
    EXPECT_EQ(Walk(CarveFormat::Zip, Zip({{"[Content_Types].xml", "x"}, {"xl/workbook.xml", "y"}}))
                  ->extension,
              "xlsx");
    EXPECT_EQ(Walk(CarveFormat::Zip, Zip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                                          {"content.xml", "z"}}))
                  ->extension,
              "odt");
    EXPECT_EQ(
        Walk(CarveFormat::Zip, Zip({{"mimetype", "application/epub+zip"}, {"x", "y"}}))->extension,
        "epub");
    EXPECT_EQ(
        Walk(CarveFormat::Zip, Zip({{"META-INF/MANIFEST.MF", "M"}, {"A.class", "c"}}))->extension,
        "jar");
    EXPECT_EQ(Walk(CarveFormat::Zip, Zip({{"AndroidManifest.xml", "m"},
                                          {"classes.dex", "d"},
                                          {"META-INF/MANIFEST.MF", "x"}}))
                  ->extension,
              "apk");
}

TEST(CarveZip, ADirectoryThatDisagreesWithTheLocalHeadersIsRejected) {
    const Bytes zip = Zip({{"a.txt", "hello"}, {"b.txt", "world"}});
    // A central entry that names another file than its local header.
    Bytes renamed = zip;
    const size_t central = FindText(renamed, "PK\x01\x02");
    renamed[central + 46] = 'x';
    EXPECT_FALSE(Walk(CarveFormat::Zip, WithTail(renamed)));
    // The end record's directory offset points outside the file (and the volume).
    Bytes outside = zip;
    const size_t end = FindText(outside, "PK\x05\x06");
    outside[end + 19] = 0x7F;
    EXPECT_FALSE(Walk(CarveFormat::Zip, WithTail(outside)));
    // Fewer central entries than local headers.
    Bytes count = zip;
    count[end + 10] = 1;
    EXPECT_FALSE(Walk(CarveFormat::Zip, WithTail(count)));
    // Cut off before the end record, and a member that claims 4 GiB.
    EXPECT_FALSE(Walk(CarveFormat::Zip, zip, zip.size() - 1));
    Bytes huge = zip;
    huge[18] = huge[19] = huge[20] = 0xFF;
    huge[21] = 0x7F;
    EXPECT_FALSE(Walk(CarveFormat::Zip, WithTail(huge)));
}

TEST(CarveMp4, WalksTopLevelBoxesAndStopsAtTheFirstNonBox) {
    const Bytes mp4 = Mp4("isom");
    auto file = Walk(CarveFormat::Mp4, WithTail(mp4));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, mp4.size());
    EXPECT_EQ(file->extension, "mp4");
    EXPECT_EQ(Walk(CarveFormat::Mp4, WithTail(Mp4("qt  ")))->extension, "mov");
    EXPECT_EQ(Walk(CarveFormat::Mp4, WithTail(Mp4("M4A ")))->extension, "m4a");
    EXPECT_EQ(Walk(CarveFormat::Mp4, WithTail(Mp4("3gp4")))->extension, "3gp");
    // A box whose size is smaller than its header would loop back on itself.
    Bytes loop = mp4;
    const size_t mdat = FindText(loop, "mdat") - 4;
    loop[mdat] = loop[mdat + 1] = loop[mdat + 2] = 0;
    loop[mdat + 3] = 4;
    EXPECT_FALSE(Walk(CarveFormat::Mp4, WithTail(loop)));
    // A 64-bit size far beyond the volume.
    Bytes huge = mp4;
    huge[mdat + 3] = 1;
    EXPECT_FALSE(Walk(CarveFormat::Mp4, WithTail(huge)));
    // No movie box: not a file whose end is known.
    Bytes noMovie(mp4.begin(), mp4.begin() + static_cast<long>(FindText(mp4, "moov") - 4));
    EXPECT_FALSE(Walk(CarveFormat::Mp4, WithTail(noMovie)));
    EXPECT_FALSE(Walk(CarveFormat::Mp4, mp4, mp4.size() - 1));
}

TEST(CarveRiff, TheStatedSizeMustHoldAndBeFilledByChunks) {
    Bytes wav;
    Put(wav, "RIFF");
    Le32(wav, 4 + 8 + 16 + 8 + 6);
    Put(wav, "WAVEfmt ");
    Le32(wav, 16);
    wav.insert(wav.end(), 16, 1);
    Put(wav, "data");
    Le32(wav, 6);
    wav.insert(wav.end(), 6, 2);
    auto file = Walk(CarveFormat::Riff, WithTail(wav));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, wav.size());
    EXPECT_EQ(file->extension, "wav");
    // 4 GiB claimed on a small volume.
    Bytes huge = wav;
    huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
    EXPECT_FALSE(Walk(CarveFormat::Riff, WithTail(huge)));
    // A chunk that runs past the stated size.
    Bytes over = wav;
    over[wav.size() - 10] = 40;
    EXPECT_FALSE(Walk(CarveFormat::Riff, WithTail(over)));
    EXPECT_FALSE(Walk(CarveFormat::Riff, wav, wav.size() - 1));
}

namespace {

Bytes Sqlite(uint32_t pageSize, uint32_t pages, bool valid) {
    Bytes h;
    Put(h, std::string("SQLite format 3\0", 16));
    Be16(h, pageSize == 65536 ? 1 : pageSize);
    h.insert(h.end(), {1, 1, 0, 64, 32, 32});
    Be32(h, 7);     // change counter
    Be32(h, pages); // pages
    h.resize(92, 0);
    Be32(h, valid ? 7 : 6);
    Be32(h, 3008000);
    h.push_back(0x0D);
    h.resize(static_cast<size_t>(pageSize) * pages, 0);
    return h;
}

} // namespace

TEST(CarveSqlite, PageSizeTimesPageCountWhenTheHeaderIsCurrent) {
    const Bytes db = Sqlite(1024, 3, true);
    auto file = Walk(CarveFormat::Sqlite, WithTail(db));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, 3072u);
    EXPECT_EQ(Walk(CarveFormat::Sqlite, WithTail(Sqlite(65536, 1, true)))->length, 65536u);
    EXPECT_FALSE(Walk(CarveFormat::Sqlite, WithTail(Sqlite(1024, 3, false))));
    EXPECT_FALSE(Walk(CarveFormat::Sqlite, db, db.size() - 1));
    Bytes odd = db;
    odd[16] = 0x03; // 1000 bytes: not a power of two
    odd[17] = 0xE8;
    EXPECT_FALSE(Walk(CarveFormat::Sqlite, WithTail(odd)));
}

TEST(CarvePdf, EndsAtTheLastEofWhoseStartxrefChecksOut) {
    std::string pdf = "%PDF-1.4\n1 0 obj\n<<>>\nendobj\n";
    const size_t xref1 = pdf.size();
    pdf += "xref\n0 1\ntrailer\n<<>>\nstartxref\n" + std::to_string(xref1) + "\n%%EOF\n";
    const size_t firstEnd = pdf.size();
    const size_t xref2 = pdf.size();
    pdf += "2 0 obj\n<<>>\nendobj\nxref\n0 1\ntrailer\n<<>>\nstartxref\n" +
           std::to_string(xref2 + 20) + "\n%%EOF\r\n";
    const size_t secondEnd = pdf.size();
    Bytes b(pdf.begin(), pdf.end());
    // Behind it, a stray "%%EOF" whose startxref points nowhere.
    std::string junk = "garbage startxref\n999999\n%%EOF\n";
    Bytes withJunk = b;
    withJunk.insert(withJunk.end(), junk.begin(), junk.end());
    auto file = Walk(CarveFormat::Pdf, WithTail(withJunk, 100));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, secondEnd);
    // The limit (the next file's header) cuts off the update: the first revision is the file.
    file = Walk(CarveFormat::Pdf, b, secondEnd - 3);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, firstEnd);
    const std::string none = "%PDF-1.4\nno end here";
    EXPECT_FALSE(Walk(CarveFormat::Pdf, Bytes(none.begin(), none.end())));
}

TEST(CarveMp3, TagThenFramesThatAgree) {
    Bytes mp3;
    Put(mp3, "ID3");
    mp3.insert(mp3.end(), {3, 0, 0, 0, 0, 0, 10});
    mp3.insert(mp3.end(), 10, 0);
    const size_t frame = 417; // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
    for (int i = 0; i < 5; ++i) {
        mp3.insert(mp3.end(), {0xFF, 0xFB, 0x90, 0x00});
        mp3.insert(mp3.end(), frame - 4, static_cast<uint8_t>(i));
    }
    auto file = Walk(CarveFormat::Mp3, WithTail(mp3, 1000, 0x33));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, mp3.size());
    // A frame cut off by the limit ends the file before it.
    file = Walk(CarveFormat::Mp3, mp3, mp3.size() - 1);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length, mp3.size() - frame);
    // Too few frames.
    EXPECT_FALSE(Walk(CarveFormat::Mp3, Bytes(mp3.begin(), mp3.begin() + 20 + 2 * frame)));
    // A tag size that is not sync-safe.
    Bytes bad = mp3;
    bad[9] = 0x80;
    EXPECT_FALSE(Walk(CarveFormat::Mp3, bad));
}
