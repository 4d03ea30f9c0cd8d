#include "common/files.h"
#include "support/cases.h"
#include "support/support.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    // A path taken apart as Windows resolves it against the current folder, and as this system
    // does ("/" a separator there, "\" here); "!" for a path that cannot be split.
    void split_data() {
        columns<bool, QString, QString, QString>(); // windows, path, current, split (root|rest)
        auto win = [](const char* p, const char* cur, const char* split) {
            QTest::newRow(p) << true << p << cur << split;
        };
        win("C:/Data/A/B", "C:\\Work", "C:\\|Data\\A\\B");
        win("Out\\2026", "C:\\Work", "C:\\|Work\\Out\\2026");
        win("..\\..\\..\\a\\.\\b", "C:\\Work", "C:\\|a\\b");
        win("D:x", "C:\\Work", "D:\\|x");
        win("c:x", "C:\\Work", "C:\\|Work\\x");
        win("\\x\\y", "\\\\srv\\share\\dir", "\\\\srv\\share\\|x\\y");
        win("\\\\srv\\share", "C:\\", "\\\\srv\\share\\|");
        win("\\\\srv\\share\\a\\..\\b\\", "C:\\", "\\\\srv\\share\\|b\\");
        win("\\\\srv", "C:\\", "!");
        win("\\\\?\\UNC\\srv\\share\\a\\b", "C:\\", "\\\\?\\UNC\\srv\\share\\|a\\b");
        win("\\\\?\\UNC\\srv\\share", "C:\\", "\\\\?\\UNC\\srv\\share\\|");
        win("\\\\?\\C:\\a\\..\\b", "C:\\", "\\\\?\\C:\\|a\\..\\b");
        win("C:\\", "C:\\Work", "C:\\|");
        win("D:", "C:\\Work", "D:\\|");
        win("Ж:\\a", "C:\\Work", "C:\\|Work\\Ж:\\a");
        win("x", "\\\\srv\\share", "\\\\srv\\share\\|x");
        win("\\\\\\share\\a\\..", "C:\\", "\\\\\\share\\|a\\..");
        win("\\\\srv\\\\a\\..", "C:\\", "\\\\srv\\\\|a\\..");
        win("x", "Work", "!");
        win("", "C:\\", "!");
        auto posix = [](const char* name, const char* p, const char* cur, const char* split) {
            QTest::newRow(name) << false << p << cur << split;
        };
        posix("posix absolute", "/a//b/./c/", "/w", "/|a/b/c");
        posix("posix relative", "x/../y", "/home/u", "/|home/u/y");
        posix("posix backslashes", "\\a\\b", "/w", "/|a/b");
        posix("posix root", "/..", "/w", "/|");
        posix("posix, current relative", "y", "w", "!");
    }
    void split() {
        auto [windows, path, current, split] = fetch<bool, QString, QString, QString>();
        QString root = QStringLiteral("прежний"), rest = QStringLiteral("прежний");
        const bool ok = windows ? win::split_path(path, current, root, rest)
                                : posix::split_path(path, current, root, rest);
        QCOMPARE(ok ? root + u'|' + rest : QStringLiteral("!"), split);
    }

    // Every missing level is made; a plain file on the way stops at its level.
    void make_folder_tree_data() {
        columns<QString, QString>(); // path (below the temporary folder), error
        row("two levels", "A/B/", "");
        row("backslashes", "A\\B", "");
        row("file on the way", "F/B", "Ошибка создания каталога \"%1/F/\": \r\n");
    }
    void make_folder_tree() {
        auto [path, error] = fetch<QString, QString>();
        QTemporaryDir dir;
        QVERIFY(testsupport::write_file(dir.filePath("F"), "x"));
        QString err;
        QCOMPARE(tavrelis::make_folder_tree(dir.path() + u'/' + path, err), error.isEmpty());
        if (error.isEmpty())
            QVERIFY(QDir(dir.filePath("A/B")).exists());
        else
            QVERIFY2(err.startsWith(error.arg(dir.path())), qPrintable(err));
        QString none;
        QVERIFY(!tavrelis::make_folder_tree(QString(), none));
        QCOMPARE(none, QStringLiteral("Ошибка в имени каталога (\"\")."));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
