#include "output/bank_upload.h"

#include "common/bank_exchange.h"
#include "common/enp.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/settings.h"
#include "common/shared.h"
#include "common/window.h"
#include "forming/compose.h"
#include "forming/form1.h"
#include "output/enp_groups.h"
#include "output/export_run.h"
#include "output/form2.h"
#include "output/form7.h"
#include "output/posting.h"
#include "output/save_data.h"
#include "output/upload_journal.h"
#include "platform/durable_file.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/shell.h"
#include "platform/ui.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <limits>
#include <optional>
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
enum Step { kRead = 1, kCheck = 2, kNumber = 3, kClaim = 4, kRecord = 5, kSent = 6 };

qint32 next_number(qint32 counter) {
    if (counter == std::numeric_limits<qint32>::max())
        throw Error(QStringLiteral("Overflow"));
    return counter + 1;
}

void say_not_written(const QString& path, const QString& reason) {
    platform::msgbox(QStringLiteral("Не удалось записать файл выгрузки в банк-клиент \"") + path +
                         QStringLiteral("\": ") + reason,
                     platform::vbCritical, kTitle);
}

QList<qint64> accruals_of(const QList<QList<qint64>>& ids) {
    QList<qint64> all;
    for (const QList<qint64>& members : ids)
        all += members;
    return all;
}

bool paid(qint64 oper_id) {
    const data::Recordset rs = shared().cnn.execute(
        QStringLiteral("select payment_done from payments where oper_id=?"), {oper_id});
    return !rs.empty() && !rs.is_null(0) && rs.field(0).toDouble() == 1;
}

// The orders sent before or paid, in one question; without the user's Yes they are left out.
// Returns the accruals whose sent rows are to be sent again.
QList<qint64> ask_resend(QList<BankOrderFields>& orders, QList<QList<qint64>>& ids) {
    data::Connection& cnn = shared().cnn;
    ensure_upload_journal(cnn);
    const QHash<qint64, SentTo> sent = sent_orders(cnn, accruals_of(ids));
    QStringList lines;
    QList<qsizetype> repeated;
    QList<qint64> resend;
    for (qsizetype i = 0; i < orders.size(); ++i) {
        QStringList what;
        bool is_paid = false;
        for (const qint64 id : ids[i]) {
            if (sent.contains(id)) {
                resend.append(id);
                const QString said = QStringLiteral("выгружено в банк %1 в файле \"%2\"")
                                         .arg(sent[id].when, QFileInfo(sent[id].file).fileName());
                if (!what.contains(said))
                    what.append(said);
            }
            is_paid = is_paid || paid(id);
        }
        if (is_paid)
            what.append(QStringLiteral("уже оплачено"));
        if (what.isEmpty())
            continue;
        repeated.append(i);
        lines.append(QStringLiteral("№ ") + QString(orders[i].number_).remove(u'N') +
                     QStringLiteral(" — ") + what.join(QStringLiteral(", ")));
    }
    if (repeated.isEmpty())
        return {};
    const int answer = platform::msgbox(
        QStringLiteral("Среди отмеченных платежных поручений есть уже выгруженные в банк или "
                       "оплаченные:\n") +
            lines.join(u'\n') + QStringLiteral("\nВыгрузить их повторно?"),
        platform::vbYesNo | platform::vbQuestion | platform::vbDefaultButton2, kTitle);
    if (answer == platform::vbYes)
        return resend;
    for (qsizetype k = repeated.size() - 1; k >= 0; --k) {
        orders.removeAt(repeated[k]);
        ids.removeAt(repeated[k]);
    }
    return {};
}

// Whether another session holds or has just sent one of the orders; the user is told which.
bool free_to_claim(const QList<BankOrderFields>& orders, const QList<QList<qint64>>& ids,
                   const QList<qint64>& resend) {
    data::Connection& cnn = shared().cnn;
    const QList<qint64> all = accruals_of(ids);
    const QList<qint64> held = claimed_orders(cnn, all);
    const QHash<qint64, SentTo> sent = sent_orders(cnn, all);
    QStringList numbers;
    for (qsizetype i = 0; i < orders.size(); ++i)
        for (const qint64 id : ids[i])
            if (held.contains(id) || (sent.contains(id) && !resend.contains(id))) {
                numbers.append(QStringLiteral("№ ") + orders[i].number_);
                break;
            }
    if (numbers.isEmpty())
        return true;
    platform::msgbox(QStringLiteral("Платежные поручения %1 сейчас выгружает в банк или только "
                                    "что выгрузил другой пользователь. Выгрузка не выполнена: "
                                    "повторите ее, чтобы увидеть, что уже выгружено.")
                         .arg(numbers.join(QStringLiteral(", "))),
                     platform::vbCritical, kTitle);
    return false;
}

} // namespace

BankOrderFields bank_order_fields(const Order& order) {
    BankOrderFields b;
    for (const auto& [field, member] : kMembers)
        b.*member = order[field];
    return b;
}

QString bank_file_base(const QString& folder, const QString& payer_inn, const QDateTime& moment) {
    return folder + QStringLiteral("to_bank_") + payer_inn + u'_' +
           moment.toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

bool settle_uploads() {
    Shared& sh = shared();
    QStringList told;
    bool recorded = false;
    if (!upload_journal_exists(sh.cnn))
        return false;
    qint32 highest = 0;
    for (const Settled& s : settle_claims(sh.cnn)) {
        const QString numbers = QStringLiteral("№ ") + s.numbers.join(QStringLiteral(", № "));
        if (s.file.isEmpty()) {
            told << QStringLiteral("платежные поручения %1 в банк не выгружены").arg(numbers);
        } else {
            told << QStringLiteral("платежные поручения %1 выгружены в файл \"%2\"")
                        .arg(numbers, QDir::toNativeSeparators(s.file));
            highest = std::max(highest, s.last_number);
            recorded = true;
        }
    }
    // Numbers that went to the bank are never given again, whatever the settings file says
    // (a session may have ended before it wrote the file).
    if (sh.last_year == platform::today().year())
        highest = std::max(highest, highest_sent_number(sh.cnn, sh.last_year));
    if (highest > sh.last_number) {
        sh.last_number = highest;
        sh.nomer = QString::number(qint64(highest) + 1);
        save_counter(form1().S);
    }
    if (!told.isEmpty())
        platform::msgbox(QStringLiteral("Выгрузка в банк-клиент, прерванная ранее, доведена до "
                                        "конца: ") +
                             told.join(QStringLiteral("; ")) + u'.',
                         platform::vbInformation, kTitle);
    return recorded;
}

void settle_uploads_or_say() {
    try {
        if (settle_uploads())
            form2().refresh_list();
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Возникла ошибка в модуле Tavrelis.Form2.settle_uploads"), 1,
                       e);
    }
}

void Command11_Click() {
    Form2& f2 = form2();
    Shared& sh = shared();
    int step = kRead;
    try {
        if (settle_uploads())
            f2.refresh_list();

        QList<BankOrderFields> orders;
        QList<QList<qint64>> ids; // per order, the accruals it pays
        for (const IssuedOrder& issued : issued_orders(f2)) {
            orders.append(bank_order_fields(issued.order));
            QList<qint64>& members = ids.emplace_back();
            for (const Order& member : issued.members)
                members.append(row_oper_id(member[Field::OperId]));
        }
        if (orders.isEmpty()) {
            platform::msgbox(QStringLiteral("Не отмечено ни одного платежного поручения"),
                             platform::vbInformation, kTitle);
            return;
        }

        // Money leaves once: what went to the bank before, or is paid, goes again only on the
        // user's word.
        step = kSent;
        const QList<qint64> resend = ask_resend(orders, ids);
        if (orders.isEmpty()) {
            platform::msgbox(QStringLiteral("Все отмеченные платежные поручения уже выгружены в "
                                            "банк или оплачены: выгружать нечего."),
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
        qint32 counter = clean_number(sh.nomer);
        QList<JournalOrder> journal;
        std::optional<qint32> last_fresh; // none: every order keeps its printed number
        for (qsizetype i = 0; i < orders.size(); ++i) {
            BankOrderFields& o = orders[i];
            const bool fresh = !o.number_.contains(u'N');
            if (fresh) {
                o.number_ = QString::number(counter);
                last_fresh = counter;
                counter = next_number(counter);
            } else {
                o.number_ = exchange_number(o.number_);
            }
            journal.append({ids[i], o.number_, o.sum, o.payment_date, fresh});
        }

        const QDateTime created = platform::now();
        const QString inn = orders.first().inn_sender;
        QString folder = sh.up_path;
        if (!folder.isEmpty() && !folder.endsWith(u'/') && !folder.endsWith(u'\\'))
            folder += platform::separator();
        QString base = bank_file_base(folder, inn, created);
        try {
            base = bank_file_base(export_folder(), inn, created);
        } catch (const std::exception& e) {
            say_not_written(base + QStringLiteral(".txt"), describe(e));
            return;
        }
        const QByteArray bytes = bank_exchange_file(orders, created);
        const QByteArray hash = file_hash(bytes);

        step = kClaim;
        if (!free_to_claim(orders, ids, resend))
            return;
        claim_orders(sh.cnn, journal, base, hash,
                     created.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")), resend);
        platform::crash_point("upload-claimed");

        const QString temporary = temporary_name(base, hash);
        QString reason;
        if (!platform::write_durable(temporary, bytes, reason)) {
            drop_claims(sh.cnn, hash);
            say_not_written(base + QStringLiteral(".txt"), reason);
            return;
        }
        platform::crash_point("upload-written");
        QString path;
        for (int i = 0; path.isEmpty(); ++i) {
            const QString name =
                base + (i ? u'_' + QString::number(i) : QString()) + QStringLiteral(".txt");
            bool taken = false;
            if (platform::link_new_name(temporary, name, taken, reason))
                path = name;
            else if (!taken)
                break;
        }
        QFile::remove(temporary);
        if (path.isEmpty()) {
            drop_claims(sh.cnn, hash);
            say_not_written(base + QStringLiteral(".txt"), reason);
            return;
        }
        platform::crash_point("upload-named");

        // A failure from here on leaves the file and its claims, which settling completes.
        step = kRecord;
        record_sent(sh.cnn, hash, path);
        platform::crash_point("upload-recorded");
        if (last_fresh) {
            sh.last_number = *last_fresh;
            sh.nomer = QString::number(qint64(*last_fresh) + 1);
            save_counter(form1().S);
        }
        platform::crash_point("upload-saved");
        f2.refresh_list();
        const QString status =
            QStringLiteral("Выгружено в банк-клиент: файл ") + QDir::toNativeSeparators(path);
        f2.set_status(status);

        const int answer = platform::msgbox(
            QStringLiteral("Выгрузка в банк-клиент выполнена: %1 платежных поручений. Открыть "
                           "папку, содержащую выгруженные документы?")
                .arg(orders.size()),
            platform::vbYesNo, kTitle);
        if (answer == platform::vbYes && !platform::open_folder(sh.up_path))
            f2.set_status(status + folder_not_opened(sh.up_path));
    } catch (const std::exception& e) {
        report_failure(kFailure, step, e);
        if (step == kRecord) // the list shows what was recorded
            f2.refresh_list();
    }
}

} // namespace tavrelis
