// Names given to complete files never replace one another, however many take the same name at
// once; and whose work a record is.

#include "platform/durable_file.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace tavrelis::platform;

class TestDurableFile : public QObject {
    Q_OBJECT
private slots:
    // Uploads of the same second into one shared folder: each gets a name of its own, in the
    // order the names come, and every file keeps what its upload wrote.
    void same_name_at_once() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString base = dir.filePath(QStringLiteral("to_bank_7705123452_20261205_120000"));
        constexpr int kUploads = 8;
        QList<QFuture<QString>> runs;
        for (int i = 0; i < kUploads; ++i)
            runs.append(QtConcurrent::run([base, i]() -> QString {
                const QString temp = base + QStringLiteral(".%1.tmp").arg(i);
                QString reason;
                if (!write_durable(temp, QByteArray::number(i), reason))
                    return QStringLiteral("write: ") + reason;
                for (int n = 0; n < 2 * kUploads; ++n) {
                    const QString name =
                        base + (n ? QStringLiteral("_%1").arg(n) : QString()) + ".txt";
                    bool taken = false;
                    if (link_new_name(temp, name, taken, reason)) {
                        QFile::remove(temp);
                        return name;
                    }
                    if (!taken)
                        return QStringLiteral("link: ") + reason;
                }
                return QStringLiteral("no name left");
            }));
        QSet<QString> names;
        for (QFuture<QString>& r : runs)
            names.insert(r.result());
        QCOMPARE(names.size(), kUploads);
        QSet<QByteArray> contents;
        for (const QString& name : names) {
            QFile f(name);
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(name));
            contents.insert(f.readAll());
        }
        QCOMPARE(contents.size(), kUploads);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), kUploads);
    }

    void taken_name_stays() {
        QTemporaryDir dir;
        const QString a = dir.filePath("a"), b = dir.filePath("b.txt");
        QString reason;
        QVERIFY(write_durable(a, "new", reason));
        QVERIFY(write_durable(b, "sent before", reason));
        bool taken = false;
        QVERIFY(!link_new_name(a, b, taken, reason));
        QVERIFY(taken);
        QFile f(b);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("sent before"));
    }

    void owners() {
        const QString me = process_owner();
        const QString host = me.section(u':', 0, -2);
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        QVERIFY(child > 0);
        waitpid(child, nullptr, 0);
        QVERIFY(owner_gone_or_self(me));
        QVERIFY(owner_gone_or_self(host + u':' + QString::number(child)));
        QVERIFY(!owner_gone_or_self(host + u':' + QString::number(getppid())));
        QVERIFY(!owner_gone_or_self(QStringLiteral("another-machine:") + QString::number(child)));
    }
};

QTEST_GUILESS_MAIN(TestDurableFile)
#include "tst_durable_file.moc"
