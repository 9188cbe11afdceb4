// Inputs that once broke a parser stay in its crashers/ folder; each must pass through the
// same fuzz body again quietly, in the plain and the sanitizer runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "exif/ExifFuzz.h"
#include "graffiti/GraffitiJwwFuzz.h"
#include "graffiti/TrdFileFuzz.h"
#include "image/ImageFormatFuzz.h"
#include "image/JpegDecodeFuzz.h"
#include "image/PngReadFuzz.h"
#include "imageops/RenameJournalFuzz.h"
#include "jww/JwwReaderFuzz.h"
#include "vectorize/centre/CentreLineFuzz.h"
#include "vectorize/TraceInputFuzz.h"

TEST(Crashers, ReplayQuietly) {
    struct Row {
        const char* folder;
        void (*fuzz)(const uint8_t*, size_t);
    };
    const Row rows[] = {{"tests/image/crashers", FuzzImageFormat}, {"tests/image/crashers", FuzzJpegDecode},
                        {"tests/image/corpus", FuzzJpegDecode},
                        {"tests/image/crashers", FuzzPngRead}, {"tests/image/corpus", FuzzPngRead},
                        {"tests/exif/crashers", FuzzExifParser},
                        {"tests/vectorize/crashers", FuzzTraceInput}, {"tests/jww/crashers", FuzzJwwReader},
                        {"tests/vectorize/centre/crashers", FuzzCentreLine}, {"tests/vectorize/centre/corpus", FuzzCentreLine},
                        {"tests/graffiti/crashers", FuzzTrdFile},
                        // The .trd inputs also feed the JWW conversions of the layer they hold.
                        {"tests/graffiti/crashers", FuzzGraffitiJww}, {"tests/graffiti/corpus", FuzzGraffitiJww},
                        {"tests/imageops/crashers", FuzzRenameJournal}, {"tests/imageops/corpus", FuzzRenameJournal}};
    for (const Row& r : rows) {
        const std::filesystem::path dir = std::filesystem::path(PIXARO_SOURCE_DIR) / r.folder;
        ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
            SCOPED_TRACE(entry.path().string());
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            r.fuzz(bytes.data(), bytes.size());
        }
    }
}
