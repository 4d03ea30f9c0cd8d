#include "common/files.h"
#include "support/support.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void split_path_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("root"); // empty: the path cannot be split
        QTest::addColumn<QString>("rest");
        auto row = [](const char* name, const char* path, const char* root, const char* rest,
                      QString current = QStringLiteral(R"(C:\Work)")) {
            QTest::newRow(name) << QString::fromUtf8(path) << current << QString::fromUtf8(root)
                                << QString::fromUtf8(rest);
        };
        row("server without share", R"(\\srv)", "", "");
        row("share and folders", R"(\\srv\share\a\b)", R"(\\srv\share\)", R"(a\b)");
        row("prefixed UNC", R"(\\?\UNC\srv\share\a\b)", R"(\\?\UNC\srv\share\)", R"(a\b)");
        row("drive, slashes", "C:/Data/A/B", R"(C:\)", R"(Data\A\B)");
        row("prefixed drive without separator", R"(\\?\C:x)", R"(\\?\C:\)", "x");
        row("prefix alone", R"(\\?\)", "", "");
        row("relative with dots", R"(a\.\b\..\c)", R"(C:\)", R"(Work\a\c)");
        row("rooted on the current drive", R"(\Root\x)", R"(C:\)", R"(Root\x)");
        row("drive-relative, other drive", "D:rel", R"(D:\)", "rel");
        row("rooted on a share", R"(\x)", R"(\\srv\share\)", "x", R"(\\srv\share\dir)");
        row("empty", "", "", "");
        row("current folder holding a NUL", "x", "", "", QStringLiteral("C:\\W") + QChar(0) + "x");
        // This system's rules, which the module uses here.
        row("posix backslashes", R"(\a\b\)", "/", "a/b", "/home/u");
        row("posix dots", R"(.\x\..\Out)", "/", "home/u/Out", "/home/u");
        row("posix above the root", "../../..", "/", "", "/home/u");
    }
    void split_path() {
        QFETCH(QString, path);
        QFETCH(QString, current);
        QFETCH(QString, root);
        QFETCH(QString, rest);
        QString r, t;
        QCOMPARE(current.startsWith('/') ? posix::split_path(path, current, r, t)
                                         : win::split_path(path, current, r, t),
                 !root.isEmpty());
        if (!root.isEmpty())
            QCOMPARE(r + '|' + t, root + '|' + rest);
    }

    void make_folder_tree_fails_data() {
        QTest::addColumn<QString>("tail");    // below the temporary folder, which holds A/file
        QTest::addColumn<QString>("failing"); // the level named in the message; empty: no path
        QTest::addColumn<QString>("left");    // a level made before the failure, that stays
        const QString long_name(300, 'x');
        QTest::newRow("plain file in the middle") << "/A/file/C/D"
                                                  << "/A/file/"
                                                  << "A";
        QTest::newRow("name too long") << "/New/" + long_name + "/C"
                                       << "/New/" + long_name + "/"
                                       << "New";
        QTest::newRow("empty path") << ""
                                    << ""
                                    << "A";
    }
    void make_folder_tree_fails() {
        QFETCH(QString, tail);
        QFETCH(QString, failing);
        QFETCH(QString, left);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("A"));
        QVERIFY(testsupport::write_file(dir.filePath("A/file"), "x"));
        QString err;
        QVERIFY(!make_folder_tree(tail.isEmpty() ? QString() : dir.path() + tail, err));
        if (failing.isEmpty()) {
            QCOMPARE(err, QStringLiteral("Ошибка в имени каталога (\"\")."));
        } else {
            const QString head = "Ошибка создания каталога \"" + dir.path() + failing + "\": \r\n";
            QVERIFY2(err.startsWith(head) && err.size() > head.size(), qPrintable(err));
        }
        QVERIFY(QFileInfo(dir.filePath(left)).isDir());
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
