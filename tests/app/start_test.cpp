#include "app/frm_Vantorel.h"
#include "platform/window/drives.h"
#include "platform/window/form.h"

#include "support/recorders.h"
#include "support/temp_dir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace tess;
using tess::testing::RecordingServices;
using tess::testing::TempDir;

namespace {

struct EnvGuard {
    static void clear() {
        for (const char* n : {"HomeDrive", "HomePath", "SystemRoot"})
            qunsetenv(n);
    }
    explicit EnvGuard(std::initializer_list<std::pair<const char*, QString>> values) {
        clear();
        for (auto& [n, v] : values)
            qputenv(n, v.toLocal8Bit());
    }
    ~EnvGuard() { clear(); }
};

TEST(StartUp, StateAndCaptionAfterLoad) {
    RecordingServices rec;
    frm_Vantorel w;
    EXPECT_EQ(w.windowTitle(), "EXE or DLL file icons.");
    EXPECT_EQ(w.loadedFile, "");
    EXPECT_EQ(w.displayedFile, "");
    EXPECT_EQ(w.iconCount, -1);
    EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 0);
    EXPECT_DOUBLE_EQ(form::scaleWidth(w), 12015);
    EXPECT_DOUBLE_EQ(form::scaleHeight(w), 3000);
}

TEST(StartUp, DefaultFolderTakesTheFirstFolderThatExists) {
    TempDir tmp;
    setDrivesForTests({{u'c', "/"}, {u'd', tmp.path()}});
    const QString work = tmp.mkdir("Work");
    auto folder = [](const char* homePath, bool systemRoot) {
        EnvGuard env{{"HomeDrive", "D:"}, {"HomePath", homePath}, {"SystemRoot", "C:\\WINDOWS"}};
        if (!systemRoot) qunsetenv("SystemRoot");
        return frm_Vantorel().defaultFolder;
    };
    auto canon = [](const QString& p) { return QDir(mapDrivePath(p)).canonicalPath(); };
    tmp.mkdir("Work/My Pictures");
    tmp.mkdir("Work/My Documents");
    EXPECT_EQ(canon(folder("\\Work", true)), canon(work + "/My Pictures"));
    QDir(work + "/My Pictures").removeRecursively();
    EXPECT_EQ(canon(folder("\\Work", true)), canon(work + "/My Documents"));
    QDir(work + "/My Documents").removeRecursively();
    EXPECT_EQ(folder("\\Work", true), "D:\\Work");
    EXPECT_EQ(folder("\\Elsewhere", true), "C:\\WINDOWS"); // taken without a test
    EXPECT_EQ(folder("\\Elsewhere", false), "");           // even when empty
    setDrivesForTests({});
}

TEST(StartUp, WithoutHomeVariablesTheHomeFoldersCount) {
    TempDir tmp;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", tmp.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (tmp.path() + "/.config").toLocal8Bit());
    EnvGuard env{};
    EXPECT_EQ(frm_Vantorel().defaultFolder, tmp.path()); // no pictures or documents folder yet
    tmp.mkdir("Documents");
    EXPECT_EQ(frm_Vantorel().defaultFolder, tmp.path() + "/Documents");
    tmp.mkdir("Pictures");
    EXPECT_EQ(frm_Vantorel().defaultFolder, tmp.path() + "/Pictures");
    qputenv("HOME", oldHome);
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(StartUp, IsDirectoryNeverFails) {
    TempDir tmp;
    frm_Vantorel w;
    EXPECT_TRUE(w.isDirectory(tmp.path()));
    EXPECT_FALSE(w.isDirectory(tmp.write("f.txt", QByteArray("x"))));
    EXPECT_FALSE(w.isDirectory(""));
    EXPECT_FALSE(w.isDirectory(tmp.path() + "/missing"));
    EXPECT_FALSE(w.isDirectory(QString(5000, u'x')));
}

TEST(Instructions, PrintedInOrderWithTheHeadInBold) {
    frm_Vantorel w;
    const auto& runs = w.pic_IconDisplay->textRuns();
    const std::vector<std::pair<QString, bool>> expected = {
        {" Drag an .exe or .dll file here", true},
        {" to display file icons in this window.", true},
        {" Click menu over this window", false},
        {" for menu options.", false},
        {" Tessaline description;", false},
        {" Display icons in file.", false},
        {" Tessaline comments;", false},
        {" Display all icons in a .exe, .dll, .ico, .cur or .ani file. You can also extract (save) "
         "the icons.",
         false},
    };
    ASSERT_EQ(runs.size(), expected.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].text, expected[i].first);
        EXPECT_EQ(runs[i].bold, expected[i].second) << i;
        EXPECT_DOUBLE_EQ(runs[i].x, 0);
        if (i > 0) {
            EXPECT_GT(runs[i].y, runs[i - 1].y);
        }
    }
    // Empty lines stand between the groups: one line height between the first two lines,
    // two between "this window." and "Click menu".
    const double line = runs[1].y - runs[0].y;
    EXPECT_NEAR(runs[2].y - runs[1].y, 2 * line, 1e-6);
    EXPECT_NEAR(runs[4].y - runs[3].y, 2 * line, 1e-6);
    EXPECT_NEAR(runs[6].y - runs[5].y, 2 * line, 1e-6);
}

TEST(Layout, SurfaceKeepsItsMarginsAndTheTimerArmsOnlyWithAFile) {
    frm_Vantorel w;
    struct Case {
        int widthPx, heightPx;
        double expectedW, expectedH;
    };
    const Case cases[] = {{801, 200, 801 * 15 - 240, 200 * 15 - 240},
                          {16, 16, 0, 0}, // below twice the margins: 0, never negative
                          {10, 300, 0, 300 * 15 - 240}};
    for (const auto& c : cases) {
        w.resize(c.widthPx, c.heightPx);
        w.Form_Resize();
        EXPECT_DOUBLE_EQ(w.pic_IconDisplay->widthTwips(), c.expectedW);
        EXPECT_DOUBLE_EQ(w.pic_IconDisplay->heightTwips(), c.expectedH);
        EXPECT_DOUBLE_EQ(w.pic_IconDisplay->leftTwips(), 120);
        EXPECT_DOUBLE_EQ(w.pic_IconDisplay->topTwips(), 120);
        EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 0);
    }
    // A resize leaves the instruction text as it was drawn.
    EXPECT_EQ(w.pic_IconDisplay->textRuns().size(), 8u);
    w.loadedFile = "/some/file.exe";
    w.resize(900, 300);
    w.Form_Resize();
    EXPECT_EQ(w.tim_UpdateDisplayTimer->interval(), 50);
}

TEST(Menu, TreeAsDesigned) {
    RecordingServices rec;
    frm_Vantorel w;
    EXPECT_EQ(QStringList({w.menu_MenuOptions->title(), w.menu_Files->title(),
                           w.menu_FileLoadBox->text(), w.menu_FileList->title()}),
              QStringList({"Menu", "Load &file", "&Load file...", "List &of files"}));
    ASSERT_EQ(w.menu_FileLoad.size(), 13u);
    for (std::size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(w.menu_FileLoad[i]->text(), "File ...?");
        EXPECT_FALSE(w.menu_FileLoad[i]->isEnabled());
        EXPECT_EQ(w.menu_FileLoad[i]->isVisible(), i == 0);
    }
    const std::vector<std::pair<QAction*, std::pair<const char*, bool>>> items = {
        {w.menu_SaveIcon, {"&Save icon...", true}},
        {w.menu_IconInformation, {"Icon &info", false}},
        {w.menu_ColourForground, {"Text &colour", true}},
        {w.menu_ColourBackground, {"Back&ground colour", true}},
        {w.menu_Refresh, {"&Refresh display", false}},
        {w.menu_AboutApp, {"&About this application", true}},
    };
    for (const auto& [a, want] : items) {
        EXPECT_EQ(a->text(), want.first);
        EXPECT_EQ(a->isEnabled(), want.second) << want.first;
    }
    EXPECT_TRUE(w.menu_Bar_001->isSeparator());
    EXPECT_TRUE(w.menu_Bar_002->isSeparator());
    const auto actions = w.menu_MenuOptions->actions();
    ASSERT_EQ(actions.size(), 9);
    EXPECT_EQ(actions[0]->menu(), w.menu_Files);
    EXPECT_EQ(actions[1], w.menu_SaveIcon);
    EXPECT_EQ(actions[8], w.menu_AboutApp);
}

struct SwapCase {
    const char* text;
    const char* swapThis;
    const char* withThis; // nullptr: left out
    const char* expected;
};

TEST(SwapString, ReplacesEveryOccurrenceLeftToRight) {
    frm_Vantorel w;
    const SwapCase cases[] = {
        {"", "a", "b", ""},
        {"abc", "", "x", "abc"},
        {"a.b.c", ".", nullptr, "abc"},
        {"aaa", "aa", "b", "ba"},
        {"Aa", "a", "x", "Ax"},
        {"ab", "a", "aa", "aab"},
        {"ab", "abc", "x", "ab"},
        {"one. two. three.", ". ", ".\r\n", "one.\r\ntwo.\r\nthree."},
        {"xx", "x", "", ""},
    };
    for (const auto& c : cases) {
        const QString got = c.withThis ? w.swapString(c.text, c.swapThis, c.withThis)
                                       : w.swapString(c.text, c.swapThis);
        EXPECT_EQ(got, QString::fromLatin1(c.expected)) << c.text << " / " << c.swapThis;
    }
}

} // namespace
