// Hostile .zmx files: every file in tests/data/hostile-zmx is refused with
// its reason, and so are the ones too large to keep in the repository,
// written here: a chain of 10,000 coordinate breaks and a 100 MB file.
// None may crash, hang or leave a design behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "exchange/zmx_import.h"

using namespace orvelin;
using namespace orvelin::exchange;
namespace fs = std::filesystem;

TEST(HostileZmx, EveryFileIsRefusedWithItsReason) {
    const std::map<std::string, std::string> expected = {
        {"truncated.zmx", "line 15: the file ends inside this line: it is cut short"},
        {"truncated-after-surf.zmx", "line 14: surface 2 has no thickness (DISZ): the file is cut short"},
        {"utf16-odd-length.zmx", "the UTF-16 text ends in the middle of a character"},
        {"utf8-mark-invalid.zmx", "the text is not valid UTF-8 at byte 155"},
        {"huge-counts.zmx", "line 14: SURF 99999999999999999999: not a surface number"},
        {"huge-configurations.zmx", "line 1: MNUM 4000000000: several configurations cannot be read"},
        {"nan-curvature.zmx", "line 10: CURV: \"NaN\" is not a finite number"},
        {"infinite-pupil.zmx", "line 3: ENPD: \"1e400\" is not a finite number"},
        {"binary-noise.zmx", ""},
        {"beyond-any-telescope.zmx", "the surfaces lie more than 1e+15 from the first: beyond any telescope"},
    };
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(ORVELIN_TEST_DATA) / "hostile-zmx")) {
        const std::string name = entry.path().filename().string();
        ASSERT_TRUE(expected.count(name)) << name << " has no expectation here";
        const ZmxImportResult r = importZmxFile(entry.path().string());
        EXPECT_EQ(r.status, ZmxImportStatus::refused) << name;
        EXPECT_FALSE(r.message.empty()) << name;
        if (!expected.at(name).empty()) {
            EXPECT_EQ(r.message, expected.at(name)) << name;
        }
        EXPECT_EQ(r.design.surfaceCount, 0) << name;
        ++seen;
    }
    EXPECT_EQ(seen, static_cast<int>(expected.size()));
}

TEST(HostileZmx, TenThousandBreaksAndOneHundredMegabytes) {
    // Breaks that would turn the axis round and round, 10,000 of them.
    std::string loop = "MODE SEQ\r\nENPD 10\r\nSURF 0\r\n  DISZ INFINITY\r\n";
    for (int k = 1; k <= 10000; ++k)
        loop += "SURF " + std::to_string(k) + "\r\n  TYPE COORDBRK\r\n  PARM 3 0.036\r\n  DISZ 1\r\n";
    loop += "SURF 10001\r\n  DISZ 0\r\n";
    EXPECT_EQ(importZmxText(loop, "loop").message,
              "line 801: more than 200 surfaces: no system of at most 20 mirrors needs so many");

    // 100 MB of comments: refused by its size before it is read, from a
    // file and from memory alike.
    const fs::path big = fs::temp_directory_path() / ("orvelin-hostile-" + std::to_string(getpid()) + ".zmx");
    {
        std::ofstream out(big, std::ios::binary);
        const std::string line(1023, 'x');
        for (int k = 0; k < 100 * 1024; ++k) out << line << '\n';
    }
    ASSERT_EQ(fs::file_size(big), 100u << 20);
    const std::string tooLarge = "the file is larger than 4 MB: a mirror prescription takes a few kilobytes";
    EXPECT_EQ(importZmxFile(big.string()).message, tooLarge);
    fs::remove(big);
    EXPECT_EQ(importZmxText(std::string(kMaxZmxBytes + 1, ' '), "big").message, tooLarge);
    EXPECT_EQ(importZmxFile(fs::temp_directory_path().string()).message,
              "cannot be read (missing, or not a file)");
}
