// req1: connects the module to the host and fills the formation window.

#include "forming/form1.h"

#include "common/date_picker.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/shared.h"
#include "data/registry.h"
#include "platform/env.h"
#include "platform/ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace tavrelis {

namespace {

const QString kIntegrity = QStringLiteral(
    "Ошибка: нарушена целостность данных в базах программ Вальмора-2 и/или Фискалон");

const char* const kQuarters[] = {"I", "II", "III", "IV"};

// A person's name joined as the host shows it, a missing part as empty.
const QString kNaturalName =
    QStringLiteral("select coalesce(surname,'') || ' ' || coalesce(name,'') || ' ' || "
                   "coalesce(patronymic,''),inn,0 from naturalperson where id=?");
const QString kLegalName =
    QStringLiteral("select fullname,inn,kpp,shortname from legalperson where id=?");

} // namespace

void integrity_error() {
    platform::msgbox(kIntegrity);
    form1().hide();
}

data::Recordset query_cnn2(const QString& sql, const QVariantList& params) {
    data::Recordset rs = shared().cnn2.execute(sql, params);
    if (rs.empty())
        integrity_error();
    return rs;
}

bool table_exists(const QString& name) {
    try {
        shared().cnn.execute(QStringLiteral("select * from ") + name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void Form1::fail_with(const QString& message) {
    hide();
    platform::msgbox(message);
    unload();
}

void Form1::req1(qint32 acc) {
    Shared& sh = shared();
    data::Recordset rs, rs2, rs3;

    accstream_id = acc;
    if (accstream_id < 1) {
        fail_with(QStringLiteral("Ошибка: в модуль \"формирование платежных поручений\" переданы "
                                 "некорректные данные о номере комплекта отчетности"));
        return;
    }

    db_path.clear();
    db_path = data::reg_get_value(data::HKEY_LOCAL_MACHINE,
                                  QStringLiteral("SOFTWARE\\Tormesk\\Valmora2\\General"),
                                  QStringLiteral("DataBasePath"))
                  .toString();
    if (db_path.isEmpty()) {
        fail_with(QStringLiteral("Ошибка: не найден путь к базе данных программы Фискалон"));
        return;
    }
    db_path.chop(1); // the terminating zero the registry read keeps
    if (!db_path.endsWith(QLatin1Char('\\')) && !db_path.endsWith(QLatin1Char('/')))
        db_path += platform::separator();
    db_file_path = db_path + QStringLiteral("Fsk_Base.mdb");
    db_file_path2 = db_path + QStringLiteral("Valmora2.mdb");

    if (!QFileInfo::exists(db_file_path)) {
        fail_with(QStringLiteral("Ошибка: не найден файл базы данных программы Фискалон"));
        return;
    }
    if (!QFileInfo::exists(db_file_path2)) {
        fail_with(QStringLiteral("Ошибка: не найден файл базы данных программы Вальмора-2"));
        return;
    }

    if (sh.cnn2.state() == data::Connection::Closed) {
        sh.cnn2.set_connection_string(data::access_connection_string(db_file_path2));
        sh.cnn2.open();
    }
    if (sh.cnn.state() == data::Connection::Closed) {
        sh.cnn.set_connection_string(data::access_connection_string(db_file_path));
        sh.cnn.open();
    }

    rs = sh.cnn2.execute(QStringLiteral("select personid from accstream where id=?"),
                         {qlonglong(accstream_id)});
    if (rs.empty()) {
        fail_with(QStringLiteral("Ошибка: по номеру комплекта отчетности не удалось найти данные "
                                 "об ИНН и КПП в базе данных программы Вальмора-2"));
        return;
    }
    const QVariant personid = rs.field(0);

    inn.clear();
    kpp.clear();

    const QString person_sql =
        QStringLiteral("select person.type,personrealid from person where id=?");
    rs = query_cnn2(person_sql, {personid});
    QVariant personrealid = rs.field(1);
    const bool natural = rs.text(0) == QLatin1String("1");
    if (natural) {
        rs = query_cnn2(QStringLiteral("select inn from naturalperson where id=?"), {personrealid});
        inn = rs.text(0);
    } else {
        rs = query_cnn2(QStringLiteral("select inn,kpp from legalperson where id=?"),
                        {personrealid});
        inn = rs.text(0);
        kpp = rs.text(1);
    }

    if (inn.isEmpty()) {
        fail_with(QStringLiteral(
            "Ошибка: по номеру комплекта отчетности не установлено ИНН в базе данных Вальмора-2"));
        return;
    }

    rs = query_cnn2(person_sql, {personid});
    personrealid = rs.field(1);
    if (rs.text(0) == QLatin1String("1")) {
        rs = query_cnn2(kNaturalName, {personrealid});
        List1->addItem(rs.text(0));
    } else {
        rs = query_cnn2(kLegalName, {personrealid});
        const QString shortname = rs.text_or_empty(3);
        List1->addItem(shortname.isEmpty() ? rs.text(0) : shortname);
    }
    if (List1->count() > 0)
        List1->item(0)->setSelected(true);

    ids_acc.clear();
    ids_acc.append(accstream_id);
    inn_by_acc.clear();
    kpp_by_acc.clear();
    inn_by_acc.insert(QString::number(accstream_id), rs.text(1));
    kpp_by_acc.insert(QString::number(accstream_id), rs.text(2));

    rs2 = sh.cnn2.execute(QStringLiteral(
        "SELECT coalesce(name,'') || ' ' || coalesce(cast(the_year as text),''), time_id FROM "
        "time_by_month, report_time WHERE "
        "time_by_month.REPORT_ID = report_time.report_id and the_year>=2006 and "
        "report_time.report_id not in (17,18,21,22,23,101) ORDER BY time_by_month.TIME_ID DESC"));
    {
        // Filling a list chooses nothing and runs no click behaviour.
        const QSignalBlocker block(Combo3);
        for (; !rs2.eof(); rs2.move_next())
            Combo3->addItem(rs2.text(0));
        Combo3->setCurrentIndex(-1);
    }

    ids_kbk.clear();
    QSignalBlocker block1(Combo1), block2(Combo2);
    // Each code once, in the order the cards were opened, on either engine.
    rs = sh.cnn.execute(QStringLiteral("select taxcode from fsk_cardlist where accstream_id=? "
                                       "group by taxcode order by min(card_id)"),
                        {qlonglong(accstream_id)});
    for (; !rs.eof(); rs.move_next()) {
        const QString taxcode = rs.text_or_empty(0);
        bool numeric = false;
        const double code = taxcode.trimmed().toDouble(&numeric);
        if (!numeric)
            continue;
        const qlonglong c = qAbs(qRound64(code));
        rs2 = sh.cnn2.execute(
            QStringLiteral("select tax_name,big_code from nsi_taxlist where tax_code=?"), {c});
        if (rs2.empty())
            continue;
        Combo1->addItem(rs2.text(1));
        Combo2->addItem(rs2.text(0));
        ids_kbk.append(taxcode);
    }
    Combo1->setCurrentIndex(-1);
    Combo2->setCurrentIndex(-1);
    block1.unblock();
    block2.unblock();

    if (Combo1->count() > 0) {
        Combo1->setCurrentIndex(0);
        Combo2->setCurrentIndex(0);
    }
    forming_allowed();

    const QDate today = platform::today();
    const QString quarter = QLatin1String(kQuarters[(today.month() - 1) / 3]) +
                            QStringLiteral(" квартал") + QStringLiteral(" ") +
                            QString::number(today.year());
    number(Combo3, quarter);

    rs2 = sh.cnn2.execute(
        QStringLiteral("select childpersonid from branches where parentpersonid=?"), {personid});
    for (; !rs2.eof(); rs2.move_next()) {
        const QVariant child = rs2.field(0);
        rs = sh.cnn2.execute(person_sql, {child});
        const QVariant realid = rs.field(1);
        QString branch;
        if (rs.text(0) == QLatin1String("1")) {
            rs = sh.cnn2.execute(kNaturalName, {realid});
            branch = QStringLiteral("--->") + rs.text(0);
        } else {
            rs = sh.cnn2.execute(kLegalName, {realid});
            const QString shortname = rs.text_or_empty(3);
            branch = QStringLiteral("--->") + (shortname.isEmpty() ? rs.text(0) : shortname);
        }
        List1->addItem(branch);
        rs3 = sh.cnn2.execute(QStringLiteral("select id from accstream where personid=?"), {child});
        QString s;
        for (; !rs3.eof(); rs3.move_next()) {
            inn_by_acc.insert(rs3.text(0), rs.text(1));
            kpp_by_acc.insert(rs3.text(0), rs.text(2));
            s += rs3.text(0) + QStringLiteral(",");
        }
        if (!s.isEmpty())
            s.chop(1);
        ids_acc.append(s);
        List1->item(List1->count() - 1)->setSelected(true);
    }

    Combo4->setCurrentIndex(0);
    Combo6->setCurrentIndex(3);
    Combo7->setCurrentIndex(0);
    Combo8->setCurrentIndex(0);
    Combo9->setCurrentIndex(0);
    Combo10->setCurrentIndex(0);
    const QDate now = platform::today();
    DTPicker1->set_value(now);
    DTPicker2->set_value(now);
    DTPicker3->set_value(now);
    const QString period = Combo3->currentText().toLower();
    if (period.contains(QStringLiteral("квартал")))
        Combo10->setCurrentIndex(1);
    if (period.contains(QStringLiteral("полугодие")))
        Combo10->setCurrentIndex(2);
    if (period.contains(QStringLiteral("иное")))
        Combo10->setCurrentIndex(3);
    Check1->setChecked(read_enp_choice(bez));
}

} // namespace tavrelis
