// Saving keeps what the file is and refuses what the user may not write: a
// read-only file is not replaced even where its folder would allow the
// rename; permissions, owner, symbolic and hard links survive a save.
//
// Root may write any file, so the refusals are checked as an ordinary user:
// a forked child that switches to "nobody" when the test runs as root, or
// the test itself when it already runs unprivileged.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "design/design.h"
#include "design/design_file.h"
#include "support/files.h"

using namespace orvelin;
namespace fs = std::filesystem;

namespace {

using orvelin::testing::readAll;

Design design(double radius) {
    Design d;
    EXPECT_EQ(loadDesign(d, (fs::path(ORVELIN_EXAMPLES) / "paraboloid-f5.ov").string()).status,
              LoadStatus::ok);
    d.surfaces[1].radius = radius;
    recomputeSurface(d, 1);
    return d;
}

const std::string kOld = formatDesign(design(1000), 5.01);
const std::string kNew = formatDesign(design(1234.5), 4);

SaveResult saveNew(const fs::path& path) {
    return saveDesign(design(1234.5), path.string(), 4);
}

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

int entries(const fs::path& dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

// What a save run as an ordinary user gave, or why it could not run.
struct Unprivileged {
    bool ran = false;
    std::string why;
    SaveResult result;
};

Unprivileged saveAsOrdinaryUser(const std::function<SaveResult()>& save) {
    Unprivileged out;
    if (::geteuid() != 0) {
        out.ran = true;
        out.result = save();
        return out;
    }
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody) {
        out.why = "there is no user \"nobody\"";
        return out;
    }
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        out.why = std::string("pipe: ") + std::strerror(errno);
        return out;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string report;
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
            report = std::string("!cannot switch to nobody: ") + std::strerror(errno);
        } else {
            const SaveResult r = save();
            report = (r.ok ? "1" : "0") + r.message;
        }
        [[maybe_unused]] const ssize_t w = ::write(pipeFds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buf[512];
    for (ssize_t got; (got = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        report.append(buf, static_cast<size_t>(got));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (report.empty() || report[0] == '!') {
        out.why = report.empty() ? "the child said nothing" : report.substr(1);
        return out;
    }
    out.ran = true;
    out.result = {report[0] == '1', report.substr(1)};
    return out;
}

class SaveAccess : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orvelin-access-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Open to everyone: only the file's own permissions may refuse.
        fs::permissions(dir_, fs::perms::all);
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::all);
        fs::remove_all(dir_);
    }
    fs::path write(const std::string& name, fs::perms perms) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << kOld;
        fs::permissions(p, perms);
        return p;
    }
    fs::path dir_;
};

}  // namespace

TEST_F(SaveAccess, AReadOnlyFileIsRefusedAndLeftAsItWas) {
    const fs::path file =
        write("ro.ov", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Unprivileged u = saveAsOrdinaryUser([&] { return saveNew(file); });
    if (!u.ran) GTEST_SKIP() << "cannot save as an ordinary user here: " << u.why;
    EXPECT_FALSE(u.result.ok);
    EXPECT_EQ(u.result.message, "permission denied");
    EXPECT_EQ(readAll(file), kOld);
    EXPECT_EQ(modeOf(file), 0444u);
    EXPECT_EQ(entries(dir_), 1) << "no temporary file is left";

    // A folder closed to the user: a new file there is refused with the
    // folder named, and a file in it that is open to the user is written in
    // place, as opening it for writing would allow.
    const fs::path open =
        write("open.ov", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const Unprivileged fresh = saveAsOrdinaryUser([&] { return saveNew(dir_ / "new.ov"); });
    ASSERT_TRUE(fresh.ran) << fresh.why;
    EXPECT_FALSE(fresh.result.ok);
    EXPECT_EQ(fresh.result.message, "cannot create a file in " + dir_.string() + ": permission denied");
    EXPECT_FALSE(fs::exists(dir_ / "new.ov"));
    const Unprivileged inPlace = saveAsOrdinaryUser([&] { return saveNew(open); });
    ASSERT_TRUE(inPlace.ran) << inPlace.why;
    EXPECT_TRUE(inPlace.result.ok) << inPlace.result.message;
    EXPECT_EQ(readAll(open), kNew);
    EXPECT_EQ(modeOf(open), 0666u);
}

TEST_F(SaveAccess, PermissionsOwnerAndLinksSurvive) {
    // Permissions: the new text comes with the old mode.
    const fs::path mine =
        write("mine.ov", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(saveNew(mine).ok);
    EXPECT_EQ(readAll(mine), kNew);
    EXPECT_EQ(modeOf(mine), 0640u);

    // A symbolic link is followed: its target gets the text, the link stays.
    const fs::path real = write("real.ov", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.ov", dir_ / "link.ov");
    ASSERT_TRUE(saveNew(dir_ / "link.ov").ok);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.ov"));
    EXPECT_EQ(readAll(real), kNew);
    // Also one whose target does not exist yet, and one through two links
    // into another folder: the file is made where the links lead.
    fs::create_symlink("later.ov", dir_ / "dangling.ov");
    ASSERT_TRUE(saveNew(dir_ / "dangling.ov").ok);
    EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.ov"));
    EXPECT_EQ(readAll(dir_ / "later.ov"), kNew);
    fs::create_directories(dir_ / "elsewhere");
    const fs::path far = dir_ / "elsewhere" / "far.ov";
    std::ofstream(far, std::ios::binary) << kOld;
    fs::create_symlink(far, dir_ / "hop1.ov");
    fs::create_symlink("hop1.ov", dir_ / "hop2.ov");
    const int before = entries(dir_);
    ASSERT_TRUE(saveNew(dir_ / "hop2.ov").ok);
    EXPECT_EQ(readAll(far), kNew);
    EXPECT_TRUE(fs::is_symlink(dir_ / "hop1.ov"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "hop2.ov"));
    EXPECT_EQ(entries(dir_), before);
    EXPECT_EQ(entries(dir_ / "elsewhere"), 1);

    // Hard links: every name keeps showing the one file, now with the new text.
    const fs::path a = write("a.ov", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_hard_link(a, dir_ / "b.ov");
    ASSERT_TRUE(saveNew(a).ok);
    EXPECT_TRUE(fs::equivalent(a, dir_ / "b.ov"));
    EXPECT_EQ(fs::hard_link_count(a), 2u);
    EXPECT_EQ(readAll(dir_ / "b.ov"), kNew);
    // A shorter text leaves nothing of the longer one behind.
    Design untitled = design(1);
    untitled.designTitle.clear();
    const std::string shorter = formatDesign(untitled, 0);
    ASSERT_LT(shorter.size(), kNew.size());
    ASSERT_TRUE(saveDesign(untitled, a.string(), 0).ok);
    EXPECT_EQ(readAll(dir_ / "b.ov"), shorter);
}

// Root saving another user's file leaves it theirs.
TEST_F(SaveAccess, AnotherUsersFileStaysTheirs) {
    if (::geteuid() != 0) GTEST_SKIP() << "the owner is kept only where the saver may give files away (root)";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const fs::path theirs = write("theirs.ov", fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(::chown(theirs.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_TRUE(saveNew(theirs).ok);
    struct stat st {};
    ASSERT_EQ(::stat(theirs.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, nobody->pw_uid);
    EXPECT_EQ(st.st_gid, nobody->pw_gid);
    EXPECT_EQ(readAll(theirs), kNew);
}
