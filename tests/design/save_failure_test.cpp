// Saving under failure: a read-only folder, a full file system, and a save
// cut off between the temporary file and the rename.  Every time the old
// file must be intact, no temporary file may be left behind, and the
// failure must be reported with its reason.
//
// Real failures need mounts: the test moves into a mount namespace of its
// own (so nothing it mounts outlives it or is seen by anyone else) and uses
// a read-only bind mount and a 64 KiB tmpfs.  Where mounting is not allowed
// the same failures are simulated through the platform layer, which the
// simulated-failure tests below cover in any case.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "design/design.h"
#include "design/design_file.h"
#include "platform/atomic_file.h"
#include "support/files.h"

using namespace orvelin;
namespace fs = std::filesystem;

namespace {

using orvelin::testing::readAll;

Design paraboloid() {
    Design d;
    const LoadResult r = loadDesign(d, (fs::path(ORVELIN_EXAMPLES) / "paraboloid-f5.ov").string());
    EXPECT_EQ(r.status, LoadStatus::ok);
    return d;
}

// A design whose text differs from the paraboloid's, to save over it.
Design changed() {
    Design d = paraboloid();
    d.surfaces[1].radius = 1234.5;
    recomputeSurface(d, 1);
    return d;
}

int filesIn(const fs::path& dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

class SaveFailure : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orvelin-save-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = dir_ / "design.ov";
        oldText_ = formatDesign(paraboloid(), 5.01);
        std::ofstream(file_, std::ios::binary) << oldText_;
    }
    void TearDown() override {
        simulateWriteFailure(WriteFailurePoint::none);
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
        fs::remove_all(dir_);
    }

    // Mounts of this process only, gone when it ends.  False (with the
    // reason in `why`) when this machine does not allow it.
    static bool privateMounts(std::string& why) {
        static int state = 0;  // 0 untried, 1 yes, -1 no
        static std::string reason;
        if (state == 0) {
            if (::unshare(CLONE_NEWNS) != 0) {
                reason = std::string("unshare: ") + std::strerror(errno);
                state = -1;
            } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                reason = std::string("private mounts: ") + std::strerror(errno);
                state = -1;
            } else {
                state = 1;
            }
        }
        why = reason;
        return state == 1;
    }

    // The folder remounted read-only onto itself: even root cannot write.
    bool makeFolderReadOnly(std::string& why) {
        if (!privateMounts(why)) return false;
        if (::mount(dir_.c_str(), dir_.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            why = std::string("bind: ") + std::strerror(errno);
            return false;
        }
        mounted_ = true;
        if (::mount(nullptr, dir_.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            why = std::string("read-only remount: ") + std::strerror(errno);
            return false;
        }
        return true;
    }

    // A 64 KiB tmpfs over the folder, holding the old file and a filler
    // that takes every remaining block.
    bool makeFolderFull(std::string& why) {
        if (!privateMounts(why)) return false;
        if (::mount("orvelin-full", dir_.c_str(), "tmpfs", 0, "size=64k") != 0) {
            why = std::string("tmpfs: ") + std::strerror(errno);
            return false;
        }
        mounted_ = true;
        std::ofstream(file_, std::ios::binary) << oldText_;
        std::ofstream filler(dir_ / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler; ++i) filler.write(block.data(), block.size());
        filler.flush();
        return true;
    }

    void expectOldFileIntact(const SaveResult& r, const std::string& reasonPart, int filesExpected) {
        EXPECT_FALSE(r.ok) << "the failure is reported";
        EXPECT_NE(r.message.find(reasonPart), std::string::npos) << r.message;
        EXPECT_EQ(readAll(file_), oldText_) << "the old file is intact";
        EXPECT_EQ(filesIn(dir_), filesExpected) << "no temporary file is left";
    }

    fs::path dir_, file_;
    std::string oldText_;
    bool mounted_ = false;
};

}  // namespace

TEST_F(SaveFailure, ReadOnlyFolder) {
    std::string why;
    if (!makeFolderReadOnly(why)) GTEST_SKIP() << "no read-only mount here (" << why << "); simulated below";
    ASSERT_EQ(readAll(file_), oldText_);
    expectOldFileIntact(saveDesign(changed(), file_.string(), 4), "Read-only file system", 1);
    // Nor can a new file be made there.
    const SaveResult r = saveDesign(changed(), (dir_ / "new.ov").string(), 4);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(fs::exists(dir_ / "new.ov"));
}

TEST_F(SaveFailure, FullFileSystem) {
    std::string why;
    if (!makeFolderFull(why)) GTEST_SKIP() << "no tmpfs here (" << why << "); simulated below";
    ASSERT_EQ(readAll(file_), oldText_);
    expectOldFileIntact(saveDesign(changed(), file_.string(), 4), "No space left", 2);
    // With room again the same save succeeds: the space was the only reason.
    fs::remove(dir_ / "filler");
    const SaveResult r = saveDesign(changed(), file_.string(), 4);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(readAll(file_), formatDesign(changed(), 4));
}

// The same failures through the platform layer's hook, on any machine: at
// the creation of the temporary file, half-way through writing it (as a full
// disk does), and between the finished temporary file and the rename.
TEST_F(SaveFailure, InterruptedAtEveryStep) {
    for (WriteFailurePoint point :
         {WriteFailurePoint::afterCreate, WriteFailurePoint::duringWrite, WriteFailurePoint::beforeRename}) {
        SCOPED_TRACE(static_cast<int>(point));
        simulateWriteFailure(point);
        expectOldFileIntact(saveDesign(changed(), file_.string(), 4), "cannot", 1);
        // A save to a new name fails the same way and creates nothing.
        const SaveResult r = saveDesign(changed(), (dir_ / "new.ov").string(), 4);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(fs::exists(dir_ / "new.ov"));
        EXPECT_EQ(filesIn(dir_), 1);
    }
    simulateWriteFailure(WriteFailurePoint::none);
    const SaveResult r = saveDesign(changed(), file_.string(), 4);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(readAll(file_), formatDesign(changed(), 4));
    EXPECT_EQ(filesIn(dir_), 1);
}

// A temporary file left by a save that was killed (power cut) disturbs
// neither the next save nor a load; a save onto a folder or into a missing
// folder fails with a reason and changes nothing.
TEST_F(SaveFailure, LeftoversAndImpossibleTargets) {
    std::ofstream(dir_ / ".orvelin-save-AAAAAA", std::ios::binary) << "QuorVex V0.90 half";
    const SaveResult ok = saveDesign(changed(), file_.string(), 4);
    EXPECT_TRUE(ok.ok) << ok.message;
    Design back;
    EXPECT_EQ(loadDesign(back, file_.string()).status, LoadStatus::ok);
    EXPECT_EQ(back.surfaces[1].radius, 1234.5);
    EXPECT_EQ(readAll(dir_ / ".orvelin-save-AAAAAA"), "QuorVex V0.90 half");

    fs::create_directories(dir_ / "folder.ov");
    const SaveResult onFolder = saveDesign(changed(), (dir_ / "folder.ov").string(), 4);
    EXPECT_FALSE(onFolder.ok);
    EXPECT_NE(onFolder.message.find("folder"), std::string::npos) << onFolder.message;
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.ov"));

    const SaveResult nowhere = saveDesign(changed(), (dir_ / "no" / "such" / "x.ov").string(), 4);
    EXPECT_FALSE(nowhere.ok);
    EXPECT_NE(nowhere.message.find("No such file"), std::string::npos) << nowhere.message;
}
