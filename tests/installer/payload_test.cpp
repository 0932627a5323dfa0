#include "installer_fixture.h"
#include "payload.h"

#include <cstring>

namespace kestrin::testing {
namespace {

class LocatePayloadTest : public InstallerTest {
protected:
    const std::string path = "C:\\Setup\\Setup.exe";

    // image + payload pieces + trailer + `after` bytes; gives the pieces.
    void WriteInstaller(const std::array<std::string, kPieceCount>& pieces, std::size_t after = 0,
                        std::optional<PayloadTrailer> trailerOverride = std::nullopt) {
        std::string file(2000, 'I');
        PayloadTrailer trailer;
        trailer.payloadOffset = static_cast<std::int32_t>(file.size());
        for (std::size_t k = 0; k < kPieceCount; ++k) {
            trailer.lengths[k] = static_cast<std::int32_t>(pieces[k].size());
            file += pieces[k];
        }
        if (trailerOverride) trailer = *trailerOverride;
        const auto bytes = trailer.Serialise();
        file.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        file += std::string(after, 'S');
        platform.WriteFile(path, file);
    }

    const std::array<std::string, kPieceCount> samplePieces = {"4100", "JPEG", "MSI-DB", "PRE", "POST", "UNPRE"};

    void ExpectPieces(const LocatedPayload& found, const std::array<std::string, kPieceCount>& expected) {
        ASSERT_TRUE(found.found);
        for (std::size_t k = 0; k < kPieceCount; ++k) EXPECT_EQ(found.pieces[k].Read(), expected[k]) << k;
    }
};

TEST_F(LocatePayloadTest, TrailerAtTheEndIsReadWithoutSearchingOrPausing) {
    WriteInstaller(samplePieces);
    ExpectPieces(LocatePayload(platform, path), samplePieces);
    EXPECT_TRUE(platform.pauses.empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LocatePayloadTest, DataAfterTheTrailerIsSearchedInTwoWindows) {
    // A real installer is far larger than the search windows.
    std::array<std::string, kPieceCount> large = samplePieces;
    large[kPackagePiece] = std::string(200000, 'P');

    WriteInstaller(large, 9000);  // within the first 10,000-byte window
    ExpectPieces(LocatePayload(platform, path), large);
    EXPECT_TRUE(platform.pauses.empty());

    WriteInstaller(large, 50000);  // needs the 100,000-byte window after a pause
    ExpectPieces(LocatePayload(platform, path), large);
    EXPECT_EQ(platform.pauses, std::vector<std::uint32_t>{1000});

    WriteInstaller(large, 150000);  // out of reach: silently no payload
    EXPECT_FALSE(LocatePayload(platform, path).found);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LocatePayloadTest, FirstMarkerInTheWindowDecides) {
    // A second, earlier "KSTR" in the search window is taken first, and it
    // points nowhere sensible: no payload, no crash.
    std::array<std::string, kPieceCount> layout = samplePieces;
    layout[kImagePiece] = std::string(9000, 'J');  // makes the file longer than the first window
    layout[kPreUninstallPiece] = std::string(40, 'x') + "KSTR" + std::string(10, 'y');
    WriteInstaller(layout, 500);
    EXPECT_FALSE(LocatePayload(platform, path).found);

    layout[kPreUninstallPiece] = std::string(40, 'x') + "KSTQ" + std::string(10, 'y');
    WriteInstaller(layout, 500);
    ExpectPieces(LocatePayload(platform, path), layout);
}

TEST_F(LocatePayloadTest, UntrustedTrailerWordsNeverReadOutOfBounds) {
    PayloadTrailer negative;
    negative.payloadOffset = 2000;
    negative.lengths = {4, -5, 6, 3, 4, 5};
    WriteInstaller(samplePieces, 0, negative);
    // A negative length counts as an absent piece; the next piece follows at once.
    ExpectPieces(LocatePayload(platform, path), {"4100", "", "JPEGMS", "I-D", "BPRE", "POSTU"});

    PayloadTrailer huge;
    huge.payloadOffset = 2000;
    huge.lengths = {4, 4, 0x7FFFFFFF, 0x7FFFFFFF, 1, 1};
    WriteInstaller(samplePieces, 0, huge);
    // The package runs to the trailer and no further; later pieces are empty.
    ExpectPieces(LocatePayload(platform, path), {"4100", "JPEG", "MSI-DBPREPOSTUNPRE", "", "", ""});

    for (std::int32_t offset : {-1, 0x7FFFFFFF, 2000 + 30 + 100}) {
        PayloadTrailer outside;
        outside.payloadOffset = offset;
        outside.lengths = {4, 0, 0, 0, 0, 0};
        WriteInstaller(samplePieces, 0, outside);
        EXPECT_FALSE(LocatePayload(platform, path).found) << offset;
    }

    platform.WriteFile(path, "KSTR");  // shorter than a trailer
    EXPECT_FALSE(LocatePayload(platform, path).found);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LocatePayloadTest, SearchWindowsStartOnlyPastTheirSize) {
    // The windows are searched only in files longer than them: a file of
    // exactly 10,000 (100,000) bytes is not, one byte more is.
    auto fileOf = [this](std::size_t total, std::size_t after) {
        std::array<std::string, kPieceCount> pieces = {"4100", "", "", "", "", ""};
        pieces[kPackagePiece] = std::string(total - 2000 - 4 - kTrailerSize - after, 'P');
        WriteInstaller(pieces, after);
        return pieces;
    };
    fileOf(10'000, 500);
    EXPECT_FALSE(LocatePayload(platform, path).found);
    ExpectPieces(LocatePayload(platform, path), fileOf(10'001, 500));
    fileOf(100'000, 50'000);
    EXPECT_FALSE(LocatePayload(platform, path).found);
    ExpectPieces(LocatePayload(platform, path), fileOf(100'001, 50'000));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LocatePayloadTest, ReadFailuresReportTheStepTheyStoppedAt) {
    std::array<std::string, kPieceCount> large = samplePieces;
    large[kPackagePiece] = std::string(20000, 'P');
    // The open, the trailer at the end, the search window, the descriptor.
    WriteInstaller(large);
    platform.failOpen.insert(path);
    EXPECT_FALSE(LocatePayload(platform, path).found);
    platform.failOpen.clear();
    struct Case {
        std::size_t after;
        bool fromEnd;
        std::uint64_t offset;
    };
    for (const Case& c : {Case{0, true, 1}, Case{500, true, 600}, Case{0, false, 2001}}) {
        WriteInstaller(large, c.after);
        const auto size = std::filesystem::file_size(platform.HostPath(path));
        platform.ReadFaultAt(path, c.fromEnd ? size - c.offset : c.offset);
        EXPECT_FALSE(LocatePayload(platform, path).found) << c.offset;
    }
    const std::string head = "Installer: C:\\Setup\\Setup.exe\r\nFailed Step ";
    EXPECT_EQ(Messages(), (std::vector<std::string>{head + "101", head + "102", head + "103", head + "105"}));
}

// ---- signed installers: the trailer ends where the certificate table begins ----

TEST_F(LocatePayloadTest, ASignedInstallerTakesOnlyTheTrailerBeforeItsCertificateTable) {
    auto signedFile = [this](const std::string& table, const std::string& forged = "") {
        std::string file = PeImage(2000);
        PayloadTrailer trailer;
        trailer.payloadOffset = static_cast<std::int32_t>(file.size());
        for (std::size_t k = 0; k < kPieceCount; ++k) {
            trailer.lengths[k] = static_cast<std::int32_t>(samplePieces[k].size());
            file += samplePieces[k];
        }
        const auto bytes = trailer.Serialise();
        file.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const std::string header =
            PeImage(0, static_cast<std::uint32_t>(file.size() + forged.size()), static_cast<std::uint32_t>(table.size()));
        file.replace(0, header.size(), header);
        platform.WriteFile(path, file + forged + table);
    };
    // A signature far beyond both search windows.
    signedFile(std::string(150'000, 'C'));
    ExpectPieces(LocatePayload(platform, path), samplePieces);
    EXPECT_TRUE(platform.pauses.empty());

    // A "KSTR" planted in the unauthenticated table is never taken, wherever it is.
    PayloadTrailer foreign;
    foreign.payloadOffset = 600;
    foreign.lengths = {4, 0, 0, 0, 0, 0};
    const auto planted = foreign.Serialise();
    signedFile(std::string(100, 'C') + std::string(planted.begin(), planted.end()) + std::string(100, 'C'));
    ExpectPieces(LocatePayload(platform, path), samplePieces);
    signedFile(std::string(100, 'C') + std::string(planted.begin(), planted.end()));  // even at the very end
    ExpectPieces(LocatePayload(platform, path), samplePieces);

    // Bytes between the trailer and the table: the trailer does not end there, no payload.
    signedFile(std::string(4000, 'C'), std::string(8, '\0'));
    EXPECT_FALSE(LocatePayload(platform, path).found);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LocatePayloadTest, ACertificateTableOutsideTheFileMeansNoPayload) {
    for (const auto& [offset, size] : {std::pair<std::uint32_t, std::uint32_t>{0xFFFFFF00u, 16},
                                       {12100, 0x7FFFFFFF}, {10, 16}}) {
        // Long enough for the search window, which would find the trailer.
        std::string file = PeImage(12000, offset, size);
        PayloadTrailer trailer;
        trailer.payloadOffset = 12000;
        trailer.lengths[kDescriptorPiece] = 4;
        file += "4100";
        const auto bytes = trailer.Serialise();
        file.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        platform.WriteFile(path, file + std::string(64, 'C'));
        EXPECT_FALSE(LocatePayload(platform, path).found) << offset;
    }
    EXPECT_TRUE(Messages().empty());
}

TEST(PayloadTrailer, SerialisesLittleEndianSignedWordsAndMarker) {
    PayloadTrailer trailer;
    trailer.payloadOffset = 0x01020304;
    trailer.lengths = {-1, 0, 1, 2, 3, 0x7FFFFFFF};
    const auto bytes = trailer.Serialise();
    EXPECT_EQ(bytes[0], 0x04);
    EXPECT_EQ(bytes[3], 0x01);
    EXPECT_EQ(bytes[4], 0xFF);
    EXPECT_EQ(std::memcmp(bytes.data() + 28, "KSTR", 4), 0);
    const PayloadTrailer back = PayloadTrailer::Parse(bytes.data());
    EXPECT_EQ(back.payloadOffset, trailer.payloadOffset);
    EXPECT_EQ(back.lengths, trailer.lengths);
}

}  // namespace
}  // namespace kestrin::testing
