#include "platform/window/drives.h"
#include "platform/window/environment.h"
#include "platform/window/failure.h"

#include "support/temp_dir.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace tess;
using tess::testing::TempDir;

namespace {

TEST(Paths, ResolveIgnoringCaseComponentByComponent) {
    TempDir tmp;
    tmp.mkdir("Windows/System32");
    tmp.write("Windows/System32/Shell32.dll", QByteArray("x"));
    EXPECT_EQ(resolvePath(tmp.path() + "/windows/system32/SHELL32.DLL"),
              tmp.path() + "/Windows/System32/Shell32.dll");
    EXPECT_EQ(resolvePath(tmp.path() + "/Windows/System32/Shell32.dll"),
              tmp.path() + "/Windows/System32/Shell32.dll");
    // A name that matches nothing stays as written.
    EXPECT_EQ(resolvePath(tmp.path() + "/nothing/here.dll"), tmp.path() + "/nothing/here.dll");
}

TEST(Drives, LettersMapOntoMountPoints) {
    TempDir tmp;
    setDrivesForTests({{u'c', "/"}, {u'd', tmp.path()}});
    tmp.mkdir("Work/My Pictures");
    EXPECT_EQ(mapDrivePath("C:\\"), "/");
    EXPECT_EQ(mapDrivePath("c:"), "/");
    EXPECT_EQ(mapDrivePath("D:\\Work\\My Pictures"), tmp.path() + "/Work/My Pictures");
    EXPECT_EQ(mapDrivePath("E:\\x"), "E:\\x"); // no such drive
    EXPECT_EQ(mapDrivePath("/usr/bin"), "/usr/bin");
    const auto table = drives();
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].text(), "d: [" + tmp.path() + "]");
    EXPECT_EQ(driveOfPath(table, tmp.path() + "/Work")->letter, u'd');
    EXPECT_EQ(driveOfPath(table, "/usr")->letter, u'c');
    setDrivesForTests({});
}

TEST(Drives, TheMachinesTableStartsWithTheRootAsC) {
    const auto table = drives();
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table[0].letter, u'c');
    EXPECT_EQ(table[0].mountPoint, "/");
    EXPECT_EQ(table[0].text(), "c: [/]");
}

TEST(Drives, LetterNumbers) {
    EXPECT_EQ(letterNumber("a"), 1);
    EXPECT_EQ(letterNumber("C:\\"), 3);
    EXPECT_EQ(letterNumber("z"), 26);
    EXPECT_EQ(letterNumber("\\\\server"), -4);
}

TEST(Environment, WindowsFolderFromSystemRootOrWinePrefix) {
    TempDir tmp;
    qputenv("SystemRoot", tmp.path().toLocal8Bit());
    EXPECT_EQ(windowsFolder(), tmp.path());
    qputenv("SystemRoot", "/no/such/folder");
    qputenv("WINEPREFIX", tmp.path().toLocal8Bit());
    EXPECT_EQ(windowsFolder(), "");
    tmp.mkdir("drive_c/windows");
    EXPECT_EQ(windowsFolder(), tmp.path() + "/drive_c/windows");
    qunsetenv("SystemRoot");
    qunsetenv("WINEPREFIX");
}

TEST(Failures, ErrnoMapsOntoFailureNumbers) {
    const std::pair<int, int> cases[] = {{ENOENT, 53}, {EACCES, 75}, {EROFS, 75}, {EISDIR, 75},
                                         {ENOTDIR, 75}, {ENODEV, 68}, {ENOSPC, 61}};
    for (auto [err, number] : cases) EXPECT_EQ(failureFromErrno(err).number(), number) << err;
    EXPECT_FALSE(failureFromErrno(EACCES).description().isEmpty());
}

} // namespace
