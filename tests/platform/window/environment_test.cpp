#include "platform/window/drives.h"
#include "platform/window/environment.h"
#include "platform/window/failure.h"

#include "support/temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tess;
using tess::testing::TempDir;

namespace {

TEST(Paths, ResolveIgnoringCaseComponentByComponentKeepingBytes) {
    TempDir tmp;
    tmp.mkdir("Windows/System32");
    const QByteArray root = QFile::encodeName(tmp.path());
    for (const char* name : {"Windows/System32/Shell32.dll", "Windows/caf\xe9.ico",
                             "Windows/\xc3\x89t\xc3\xa9.ico", "Windows/\xce\xa3.ico"})
        ::close(::creat((root + "/" + name).constData(), 0600));
    const std::pair<const char*, const char*> cases[] = {
        {"/windows\\system32/SHELL32.DLL", "/Windows/System32/Shell32.dll"},
        {"/Windows/System32/Shell32.dll", "/Windows/System32/Shell32.dll"},
        {"/WINDOWS/CAF\xe9.ICO", "/Windows/caf\xe9.ico"}, // a byte that is not UTF-8
        {"/windows/caf\xc9.ico", "/windows/caf\xc9.ico"}, // only equals the same byte
        {"/windows/\xc3\xa9T\xc3\x89.ICO", "/Windows/\xc3\x89t\xc3\xa9.ico"}, // UTF-8 letters
        {"/windows/\xcf\x83.ico", "/Windows/\xce\xa3.ico"},
        {"/nothing/here.dll", "/nothing/here.dll"}, // matches nothing: as written
    };
    for (const auto& [asked, found] : cases) {
        const QString path = pathFromBytes(root + asked);
        EXPECT_EQ(pathToBytes(path), root + asked); // bytes survive the round trip
        EXPECT_EQ(pathToBytes(resolvePath(path)), root + found) << asked;
    }
    EXPECT_EQ(displayPath(pathFromBytes("/a/caf\xe9\xff.ico")), QString("/a/caf\ufffd\ufffd.ico"));
    EXPECT_EQ(pathFromBytes("/\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"),
              QString("/\u00e9\u20ac\U0001F600"));
    EXPECT_EQ(recoverShownPath(QString::fromUtf8(root + "/Windows/caf\xe9.ico")),
              pathFromBytes(root + "/Windows/caf\xe9.ico"));
    ::unlink(
        (root + "/Windows/caf\xe9.ico").constData()); // Qt cannot remove a name that is not UTF-8
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
    const std::pair<int, int> cases[] = {{ENOENT, 53},  {EACCES, 75}, {EROFS, 75}, {EISDIR, 75},
                                         {ENOTDIR, 75}, {ENODEV, 68}, {ENOSPC, 61}};
    for (auto [err, number] : cases)
        EXPECT_EQ(failureFromErrno(err).number(), number) << err;
    EXPECT_FALSE(failureFromErrno(EACCES).description().isEmpty());
}

} // namespace
