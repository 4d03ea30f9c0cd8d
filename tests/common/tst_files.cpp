#include "common/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void win_split_path_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("rest");
        const QString work = QStringLiteral(R"(C:\Work)");
        auto row = [&](const char* name, const char* path, bool ok, const char* root,
                       const char* rest, QString current = QString()) {
            QTest::newRow(name) << QString::fromUtf8(path) << (current.isNull() ? work : current)
                                << ok << QString::fromUtf8(root) << QString::fromUtf8(rest);
        };
        row("share only", R"(\\srv\share)", true, R"(\\srv\share\)", "");
        row("share with trailing", R"(\\srv\share\)", true, R"(\\srv\share\)", "");
        row("server without share", R"(\\srv)", false, "", "");
        row("share and folders", R"(\\srv\share\a\b)", true, R"(\\srv\share\)", R"(a\b)");
        row("prefixed UNC", R"(\\?\UNC\srv\share\a\b)", true, R"(\\?\UNC\srv\share\)", R"(a\b)");
        row("prefixed UNC lower case", R"(\\?\unc\srv\share)", true, R"(\\?\unc\srv\share\)", "");
        row("prefixed UNC without share", R"(\\?\UNC\srv)", false, "", "");
        row("drive, slashes", "C:/Data/A/B", true, R"(C:\)", R"(Data\A\B)");
        row("drive root", R"(C:\)", true, R"(C:\)", "");
        row("drive, trailing separator", R"(D:\x\)", true, R"(D:\)", R"(x\)");
        row("missing drive still splits", R"(Q:\X)", true, R"(Q:\)", "X");
        row("prefixed drive", R"(\\?\C:\x)", true, R"(\\?\C:\)", "x");
        row("prefixed drive without separator", R"(\\?\C:x)", true, R"(\\?\C:\)", "x");
        row("prefixed share", R"(\\?\\\srv\share\a)", true, R"(\\?\\\srv\share\)", "a");
        row("prefix alone", R"(\\?\)", false, "", "");
        row("relative", R"(Out\2026)", true, R"(C:\)", R"(Work\Out\2026)");
        row("relative with dots", R"(a\.\b\..\c)", true, R"(C:\)", R"(Work\a\c)");
        row("relative going up", R"(..\..\Out)", true, R"(C:\)", "Out");
        row("rooted on the current drive", R"(\Root\x)", true, R"(C:\)", R"(Root\x)");
        row("drive-relative, same drive", "c:rel", true, R"(C:\)", R"(Work\rel)");
        row("drive-relative, other drive", "D:rel", true, R"(D:\)", "rel");
        row("relative to a share", "a", true, R"(\\srv\share\)", R"(dir\a)",
            QStringLiteral(R"(\\srv\share\dir)"));
        row("rooted on a share", R"(\x)", true, R"(\\srv\share\)", "x",
            QStringLiteral(R"(\\srv\share\dir)"));
        row("current is a bare drive", "x", true, R"(C:\)", "x", QStringLiteral("C:"));
        row("empty", "", false, "", "");
        row("relative without a current folder", "x", false, "", "", QStringLiteral(""));
        row("current folder holding a NUL", "x", false, "", "",
            QStringLiteral(R"(C:\W)") + QChar(0) + QStringLiteral("x"));
    }
    void win_split_path() {
        QFETCH(QString, path);
        QFETCH(QString, current);
        QFETCH(bool, ok);
        QFETCH(QString, root);
        QFETCH(QString, rest);
        QString r = QStringLiteral("unset"), t = QStringLiteral("unset");
        QCOMPARE(win::split_path(path, current, r, t), ok);
        if (ok) {
            QCOMPARE(r, root);
            QCOMPARE(t, rest);
        }
    }

    void win_full_path_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("up past the root") << R"(C:\a\..\..\b)"
                                          << R"(C:\b)";
        QTest::newRow("doubled separators") << R"(C:\a\\b)"
                                            << R"(C:\a\b)";
        QTest::newRow("slashes, trailing kept") << "c:/x/"
                                                << R"(c:\x\)";
        QTest::newRow("prefix taken as written") << R"(\\?\C:\a\..\b)"
                                                 << R"(\\?\C:\a\..\b)";
        QTest::newRow("share cannot be left") << R"(\\srv\share\..\..)"
                                              << R"(\\srv\share)";
        QTest::newRow("dot") << "."
                             << R"(C:\Work\Dir)";
        QTest::newRow("dot dot") << ".."
                                 << R"(C:\Work)";
        QTest::newRow("relative") << R"(Out\2026)"
                                  << R"(C:\Work\Dir\Out\2026)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void win_full_path() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(win::full_path(path, QStringLiteral(R"(C:\Work\Dir)")), expected);
    }

    void posix_split_path_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("rest");
        QTest::newRow("absolute") << "/a/b" << true << "a/b";
        QTest::newRow("backslashes") << R"(\a\b\)" << true << "a/b";
        QTest::newRow("relative") << R"(Out\2026)" << true << "home/u/Out/2026";
        QTest::newRow("dots") << "./x/../y" << true << "home/u/y";
        QTest::newRow("root") << "/" << true << "";
        QTest::newRow("above the root") << "../../.." << true << "";
        QTest::newRow("doubled separators") << "//a//b" << true << "a/b";
        QTest::newRow("empty") << "" << false << "";
    }
    void posix_split_path() {
        QFETCH(QString, path);
        QFETCH(bool, ok);
        QFETCH(QString, rest);
        QString r, t;
        QCOMPARE(posix::split_path(path, QStringLiteral("/home/u"), r, t), ok);
        if (ok) {
            QCOMPARE(r, QStringLiteral("/"));
            QCOMPARE(t, rest);
        }
    }

    void folder_exists_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("folder") << "sub" << true;
        QTest::newRow("folder with backslash") << R"(sub\inner)" << true;
        QTest::newRow("plain file") << "file.txt" << false;
        QTest::newRow("missing") << "nothing" << false;
    }
    void folder_exists() {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("sub/inner"));
        QFile f(dir.filePath("file.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(tavrelis::folder_exists(dir.path() + u'/' + name), exists);
    }

    void folder_exists_of_nothing() { QVERIFY(!tavrelis::folder_exists(QString())); }

    // The plain functions resolve against the process's current folder.
    void relative_against_current_folder() {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString cur = QDir::currentPath();
        QString root, rest, err;
        const bool split = tavrelis::split_path(QStringLiteral(R"(Out\2026)"), root, rest);
        const QString full = tavrelis::full_path(QStringLiteral("Out/2026"));
        const bool made = make_folder_tree(QStringLiteral(R"(Out\2026)"), err);
        QDir::setCurrent(before);
        QVERIFY(split);
        QCOMPARE(root, QStringLiteral("/"));
        QCOMPARE(rest, cur.mid(1) + QStringLiteral("/Out/2026"));
        QCOMPARE(full, cur + QStringLiteral("/Out/2026"));
        QVERIFY(made);
        QVERIFY(QFileInfo(dir.filePath("Out/2026")).isDir());
    }

    void make_two_missing_levels_data() {
        QTest::addColumn<QString>("tail");
        QTest::newRow("slashes") << "/Data/A/B";
        QTest::newRow("backslashes") << R"(\Data\A\B)";
        QTest::newRow("trailing separator") << "/Data/A/B/";
        QTest::newRow("dots on the way") << "/Data/./x/../A/B";
    }
    void make_two_missing_levels() {
        QFETCH(QString, tail);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("Data"));
        QString err = QStringLiteral("untouched");
        QVERIFY(make_folder_tree(dir.path() + tail, err));
        QCOMPARE(err, QStringLiteral("untouched"));
        QVERIFY(QFileInfo(dir.filePath("Data/A")).isDir());
        QVERIFY(QFileInfo(dir.filePath("Data/A/B")).isDir());
        QVERIFY(!QFileInfo(dir.filePath("Data/x")).exists());
    }

    void make_existing_folder() {
        QTemporaryDir dir;
        QString err;
        QVERIFY(make_folder_tree(dir.path(), err));
        QVERIFY(make_folder_tree(QStringLiteral("/"), err));
        QVERIFY(err.isEmpty());
    }

    // A plain file where a level should be: that level cannot be made.
    void plain_file_in_the_middle() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("A"));
        QFile f(dir.filePath("A/file"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QString err;
        QVERIFY(!make_folder_tree(dir.path() + QStringLiteral("/A/file/C/D"), err));
        const QString head = QStringLiteral("Ошибка создания каталога \"") + dir.path() +
                             QStringLiteral("/A/file/\": \r\n");
        QVERIFY2(err.startsWith(head), qPrintable(err));
        QVERIFY(err.size() > head.size()); // the system's description follows
        QVERIFY(QFileInfo(dir.filePath("A")).isDir());
        QVERIFY(QFileInfo(dir.filePath("A/file")).isFile());
    }

    // Levels made before a failing one stay.
    void earlier_levels_stay() {
        QTemporaryDir dir;
        const QString bad(300, u'x'); // longer than any file name may be
        QString err;
        QVERIFY(!make_folder_tree(dir.path() + QStringLiteral("/New/") + bad + QStringLiteral("/C"),
                                  err));
        QCOMPARE(err.section(u'\r', 0, 0), QStringLiteral("Ошибка создания каталога \"") +
                                               dir.path() + QStringLiteral("/New/") + bad +
                                               QStringLiteral("/\": "));
        QVERIFY(QFileInfo(dir.filePath("New")).isDir());
    }

    void make_of_empty_path() {
        QString err;
        QVERIFY(!make_folder_tree(QString(), err));
        QCOMPARE(err, QStringLiteral("Ошибка в имени каталога (\"\")."));
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
