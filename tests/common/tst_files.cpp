#include "common/files.h"

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
        row("share and folders", R"(\\srv\share\a\b)", R"(\\srv\share\)", R"(a\b)");
        row("drive, slashes", "C:/Data/A/B", R"(C:\)", R"(Data\A\B)");
        row("relative with dots", R"(a\.\b\..\c)", R"(C:\)", R"(Work\a\c)");
        row("rooted on a share", R"(\x)", R"(\\srv\share\)", "x", R"(\\srv\share\dir)");
        // This system's rules, which the module uses here.
        row("posix backslashes", R"(\a\b\)", "/", "a/b", "/home/u");
        row("posix dots", R"(.\x\..\Out)", "/", "home/u/Out", "/home/u");
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

    // No name at all is refused before any folder is tried.
    void make_folder_tree_without_a_name() {
        QString err;
        QVERIFY(!make_folder_tree(QString(), err));
        QCOMPARE(err, QStringLiteral("Ошибка в имени каталога (\"\")."));
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
