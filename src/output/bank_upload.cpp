#include "output/bank_upload.h"

#include "common/bank_exchange.h"
#include "common/enp.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/window.h"
#include "forming/compose.h"
#include "forming/form1.h"
#include "output/enp_groups.h"
#include "output/form2.h"
#include "output/form7.h"
#include "output/posting.h"
#include "output/save_data.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/shell.h"
#include "platform/ui.h"

#include <QFileInfo>
#include <QSaveFile>
#include <array>
#include <limits>
#include <utility>

namespace tavrelis {

namespace {

using F = BankOrderFields;

const std::array<std::pair<Field, QString F::*>, 27> kMembers{{
    {Field::Number, &F::number_},
    {Field::PaymentDate, &F::payment_date},
    {Field::Sum, &F::sum},
    {Field::Receiver, &F::receiver},
    {Field::Inn, &F::inn},
    {Field::Kpp, &F::kpp},
    {Field::Kbk, &F::kbk},
    {Field::Okato, &F::okato},
    {Field::Bik, &F::bik},
    {Field::Rs, &F::rs},
    {Field::Ks, &F::ks},
    {Field::Bank, &F::bank},
    {Field::Sender, &F::sender},
    {Field::InnSender, &F::inn_sender},
    {Field::KppSender, &F::kpp_sender},
    {Field::OkatoSender, &F::okato_sender},
    {Field::BikSender, &F::bik_sender},
    {Field::RsSender, &F::rs_sender},
    {Field::KsSender, &F::ks_sender},
    {Field::BankSender, &F::bank_sender},
    {Field::Way, &F::way},
    {Field::Priority, &F::priority},
    {Field::Reason, &F::reason},
    {Field::PaymentType, &F::payment_type},
    {Field::Aim, &F::aim},
    {Field::Period, &F::period},
    {Field::DocumentDate, &F::document_date},
}};

const QString kFailure = QStringLiteral("Возникла ошибка в модуле Tavrelis.Form2.Command11_Click");

// Where the failure box says the click failed.
enum Step { kRead = 1, kCheck = 2, kNumber = 3, kRecord = 5 };

qint32 next_number(qint32 counter) {
    if (counter == std::numeric_limits<qint32>::max())
        throw Error(QStringLiteral("Overflow"));
    return counter + 1;
}

// Writes the whole file under a temporary name beside it and puts it in place only once it
// is complete, so that a failed write leaves nothing a bank could take for the upload.
bool write_file(const QString& path, const QByteArray& bytes, QString& reason) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    reason = file.errorString();
    return false;
}

void say_not_written(const QString& path, const QString& reason) {
    platform::msgbox(QStringLiteral("Не удалось записать файл выгрузки в банк-клиент \"") + path +
                         QStringLiteral("\": ") + reason,
                     platform::vbCritical, kTitle);
}

} // namespace

BankOrderFields bank_order_fields(const Order& order) {
    BankOrderFields b;
    for (const auto& [field, member] : kMembers)
        b.*member = order[field];
    return b;
}

QString bank_file_name(const QString& folder, const QString& payer_inn, const QDateTime& moment) {
    const QString base = folder + QStringLiteral("to_bank_") + payer_inn + u'_' +
                         moment.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    QString path = base + QStringLiteral(".txt");
    for (int i = 1; QFileInfo::exists(path); ++i)
        path = base + u'_' + QString::number(i) + QStringLiteral(".txt");
    return path;
}

void Command11_Click() {
    Form2& f2 = form2();
    Form4& f4 = form4();
    int step = kRead;
    try {
        QList<BankOrderFields> orders;
        QList<QList<qint64>> ids; // per order, the accruals it pays
        for (const IssuedOrder& issued : issued_orders(f2)) {
            orders.append(bank_order_fields(issued.order));
            QList<qint64>& members = ids.emplace_back();
            for (const int r : issued.rows)
                members.append(row_oper_id(f2.cell(r, Field::OperId)));
        }
        if (orders.isEmpty()) {
            platform::msgbox(QStringLiteral("Не отмечено ни одного платежного поручения"),
                             platform::vbInformation, kTitle);
            return;
        }

        step = kCheck;
        QList<ListedProblem> problems;
        // The tax service's requisites as the forming takes them: the host's, else the file's.
        const BudgetRules rules = budget_rules(enp_receiver(form1().inn, form1().kpp, enp_run()));
        for (const BankOrderFields& o : orders)
            for (const RequisiteProblem& p : check_bank_order(o, rules))
                problems.append({o.number_, p.field, p.problem});
        if (!problems.isEmpty() && !form7().confirm(problems))
            return;

        // An order sent to the bank is issued: numbered as a print run numbers, a printed
        // order ("N") keeping its stored number.
        step = kNumber;
        qint32 counter = clean_number(f4.nomer);
        QList<bool> numbered;
        for (BankOrderFields& o : orders) {
            const bool fresh = !o.number_.contains(u'N');
            numbered.append(fresh);
            if (fresh) {
                o.number_ = QString::number(counter);
                counter = next_number(counter);
            } else {
                o.number_ = exchange_number(o.number_);
            }
        }

        const QDateTime created = platform::now();
        const QString inn = orders.first().inn_sender;
        QString folder = f4.up_path;
        if (!folder.isEmpty() && !folder.endsWith(u'/') && !folder.endsWith(u'\\'))
            folder += platform::separator();
        QString path = bank_file_name(folder, inn, created);
        try {
            path = bank_file_name(export_folder(), inn, created);
        } catch (const std::exception& e) {
            say_not_written(path, describe(e));
            return;
        }
        QString reason;
        if (!write_file(path, bank_exchange_file(orders, created), reason)) {
            say_not_written(path, reason);
            return;
        }

        // The counter keeps step with the orders recorded, so that no number is given twice
        // should a statement fail half-way.
        step = kRecord;
        for (qsizetype i = 0; i < orders.size(); ++i) {
            for (const qint64 id : ids[i])
                f4.cnn.execute(QStringLiteral("update payments set print_done=1,number_='") +
                               orders[i].number_ + QStringLiteral("' where oper_id= ") +
                               QString::number(id));
            if (numbered[i]) {
                f4.last_number = orders[i].number_.toInt();
                f4.nomer = QString::number(qint64(f4.last_number) + 1);
            }
        }
        f2.refresh_list();

        const int answer = platform::msgbox(
            QStringLiteral("Выгрузка в банк-клиент выполнена: %1 платежных поручений. Открыть "
                           "папку, содержащую выгруженные документы?")
                .arg(orders.size()),
            platform::vbYesNo, kTitle);
        if (answer == platform::vbYes)
            platform::open_folder(f4.up_path);
    } catch (const std::exception& e) {
        report_failure(kFailure, step, e);
        if (step == kRecord) // the list shows what was recorded
            f2.refresh_list();
    }
}

} // namespace tavrelis
