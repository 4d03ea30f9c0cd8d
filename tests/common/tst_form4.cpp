#include "common/form4.h"
#include "common/session.h"
#include "platform/recording_ui.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

using namespace tavrelis;
using platform::RecordingUi;
using platform::UiScope;

class TestForm4 : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void init() { QDir(dir_.path()).mkpath("Выгрузка/2026"); }

    void opens_at_the_export_folder_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        const QString base = dir_.path() + "/Выгрузка";
        QTest::newRow("plain") << base << base;
        QTest::newRow("trailing separator") << base + "/" << base;
        QTest::newRow("missing falls back to its drive") << base + "/нет" << QString("/");
    }
    void opens_at_the_export_folder() {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        Session s;
        form4().open_at(folder);
        QCOMPARE(form4().Dir1->path(), path);
        QVERIFY(!form4().Drive1->currentText().isEmpty());
        QVERIFY(path.startsWith(form4().Drive1->currentText()));
    }

    // "Закрыть" stores the folder and hides the window; the close box stores nothing.
    void close_stores_the_folder() {
        Session s;
        RecordingUi rec;
        UiScope scope(rec);
        form4().up_path = "/old";
        const QString target = dir_.path() + "/Выгрузка/2026";
        rec.on_show.push_back([&](QDialog&) {
            form4().Dir1->setProperty("path", target);
            form4().Command1->click();
        });
        platform::show_modal(form4());
        QCOMPARE(form4().up_path, target);
        QVERIFY(!form4().isVisible());

        rec.on_show.push_back([&](QDialog&) { form4().Dir1->setProperty("path", dir_.path()); });
        platform::show_modal(form4());
        QCOMPARE(form4().up_path, target);
    }

    void tree_shows_the_chain_and_subfolders() {
        Session s;
        QVERIFY(form4().Dir1->setPath(dir_.path() + "/Выгрузка"));
        QTreeWidgetItem* current = form4().Dir1->currentItem();
        QVERIFY(current);
        QCOMPARE(current->text(0), QStringLiteral("Выгрузка"));
        QCOMPARE(current->childCount(), 1);
        QCOMPARE(current->child(0)->text(0), QStringLiteral("2026"));
        emit form4().Dir1->itemDoubleClicked(current->child(0), 0);
        QCOMPARE(form4().Dir1->path(), dir_.path() + "/Выгрузка/2026");
    }

    void unreadable_drive() {
        Session s;
        RecordingUi rec;
        UiScope scope(rec);
        form4().open_at(dir_.path());
        form4().Drive1->addItem(dir_.path() + "/no-medium");
        form4().Drive1->setCurrentIndex(form4().Drive1->count() - 1);
        QCOMPARE(rec.texts(), QStringList{"Этот диск недоступен"});
        QCOMPARE(rec.boxes[0].icon, QStringLiteral("critical"));
        QCOMPARE(rec.boxes[0].title, QStringLiteral("Вальмора-2: Фискалон"));
        QCOMPARE(form4().Dir1->path(), dir_.path());
    }

    void readable_drive_moves_the_tree() {
        Session s;
        RecordingUi rec;
        UiScope scope(rec);
        form4().open_at(dir_.path());
        form4().Drive1->addItem(dir_.path() + "/Выгрузка");
        form4().Drive1->setCurrentIndex(form4().Drive1->count() - 1);
        QVERIFY(rec.boxes.isEmpty());
        QCOMPARE(form4().Dir1->path(), dir_.path() + "/Выгрузка");
    }
};

QTEST_MAIN(TestForm4)
#include "tst_form4.moc"
